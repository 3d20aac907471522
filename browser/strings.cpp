#include "browser/strings.h"

const char *BrowserString(int id)
{
    switch (id) {
    case IDS_JUST_BROWSE:
        return "Just browse";
    case IDS_FOR_SPEED:
        return "It's for speed1";
    case IDS_FILE_NOT_FOUND:
        return "File not found";
    case IDS_FILE_UNKNOWN_TYPE:
        return "Unknow file type";
    case IDS_FILE_INVALID_FORMAT:
        return "Invalid format";
    case IDS_FILE_FAIL_CREATE:
        return "Fail to create, please check your disk!!! ";
    case IDS_FILE_FAIL_DELETE:
        return "Fail to delete";
    case IDS_FILE_FAIL_OPEN:
        return "Fail to open";
    case IDS_FILE_FAIL_CLOSE:
        return "Fail to close";
    case IDS_FILE_FAIL_EDIT:
        return "Fail to edit";
    case IDS_FILE_FAIL_SAVE:
        return "Fail to save";
    case IDS_FILE_NOT_FIT_SIZE:
        return "Not fit size";
    case IDS_FOLDER_NOT_FOUND:
        return "Not found folder";
    case IDS_FOLDER_FAIL_CREATE:
        return "Failed to create";
    case IDS_FOLDER_FAIL_DELETE:
        return "Fail to delete";
    case IDS_FOLDER_FAIL_READ:
        return "Fail to read";
    case IDS_FOLDER_FAIL_WRITE:
        return "Fail to write";
    case IDS_FOLDER_FAIL_RENAME:
        return "Fail to rename";
    case IDS_FOLDER_NO_SPACE:
        return "Not enough space";
    default:
        return "";
    }
}

ErrorMessageSpec FileErrorMessage(int kind, int detail)
{
    switch (kind) {
    case 0:
        return { IDS_FILE_NOT_FOUND, false, MessageIcon::Information };
    case 1:
        return { IDS_FILE_UNKNOWN_TYPE, false, MessageIcon::Exclamation };
    case 2:
        return { IDS_FILE_INVALID_FORMAT, false, MessageIcon::Exclamation };
    case 3:
        if (detail >= 0 && detail <= 5)
            return { IDS_FILE_FAIL_CREATE + detail, true, MessageIcon::Stop };
        return {};
    case 4:
        return { IDS_FILE_NOT_FIT_SIZE, true, MessageIcon::Information };
    default:
        return {};
    }
}

ErrorMessageSpec FolderErrorMessage(int kind, int detail)
{
    switch (kind) {
    case 0:
        return { IDS_FOLDER_NOT_FOUND, false, MessageIcon::Information };
    case 1:
        if (detail >= 0 && detail <= 4)
            return { IDS_FOLDER_FAIL_CREATE + detail, true, MessageIcon::Stop };
        return {};
    case 2:
        return { IDS_FOLDER_NO_SPACE, true, MessageIcon::Exclamation };
    default:
        return {};
    }
}
