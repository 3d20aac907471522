#include "browser/errormessages.h"

#include "res/resource.h"

ErrorMessageForm FileErrorMessage(int kind, int detail)
{
    switch (kind) {
    case 0:
        return { IDS_FILE_NOT_FOUND, false, MessageIcon::Information };
    case 1:
        return { IDS_UNKNOWN_FILE_TYPE, false, MessageIcon::Exclamation };
    case 2:
        return { IDS_INVALID_FORMAT, false, MessageIcon::Exclamation };
    case 3:
        if (detail >= 0 && detail <= 5)
            return { IDS_FAIL_TO_CREATE_FILE + static_cast<UINT>(detail), true, MessageIcon::Stop };
        return {};
    case 4:
        return { IDS_NOT_FIT_SIZE, true, MessageIcon::Information };
    default:
        return {};
    }
}

ErrorMessageForm FolderErrorMessage(int kind, int detail)
{
    switch (kind) {
    case 0:
        return { IDS_FOLDER_NOT_FOUND, false, MessageIcon::Information };
    case 1:
        if (detail >= 0 && detail <= 4)
            return { IDS_FAIL_TO_CREATE_FOLDER + static_cast<UINT>(detail), true, MessageIcon::Stop };
        return {};
    case 2:
        return { IDS_NOT_ENOUGH_SPACE, true, MessageIcon::Exclamation };
    default:
        return {};
    }
}
