// Texts of the browser's string table entries, looked up by their resource ids.
#pragma once

enum BrowserStringId {
    IDS_JUST_BROWSE = 5000,
    IDS_FOR_SPEED = 5001,
    IDS_FILE_NOT_FOUND = 5011,
    IDS_FILE_UNKNOWN_TYPE = 5012,
    IDS_FILE_INVALID_FORMAT = 5013,
    IDS_FILE_FAIL_CREATE = 5014,
    IDS_FILE_FAIL_DELETE = 5015,
    IDS_FILE_FAIL_OPEN = 5016,
    IDS_FILE_FAIL_CLOSE = 5017,
    IDS_FILE_FAIL_EDIT = 5018,
    IDS_FILE_FAIL_SAVE = 5019,
    IDS_FILE_NOT_FIT_SIZE = 5020,
    IDS_FOLDER_NOT_FOUND = 5021,
    IDS_FOLDER_FAIL_CREATE = 5022,
    IDS_FOLDER_FAIL_DELETE = 5023,
    IDS_FOLDER_FAIL_READ = 5024,
    IDS_FOLDER_FAIL_WRITE = 5025,
    IDS_FOLDER_FAIL_RENAME = 5026,
    IDS_FOLDER_NO_SPACE = 5027,
};

// The text of a string table entry; an empty string for an id the browser does not use.
const char *BrowserString(int id);

// Message boxes of file and folder errors: which entry, whether the caller's extra text is
// appended, and which icon.
enum class MessageIcon { Information, Exclamation, Stop };

struct ErrorMessageSpec {
    int stringId = 0; // 0 when the kind/detail pair is unknown
    bool appendExtra = false;
    MessageIcon icon = MessageIcon::Information;
};

ErrorMessageSpec FileErrorMessage(int kind, int detail);
ErrorMessageSpec FolderErrorMessage(int kind, int detail);
