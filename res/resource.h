// Resource identifiers: commands, strings, bitmaps, cursors, icons, panes and control bars.
#pragma once

#include "platform/wintypes.h"

// Document template, main menu, accelerators, application icon and document string.
constexpr UINT IDR_MAINFRAME = 128;
constexpr UINT IDI_MAINFRAME = 128;

// Toolbars (the bitmap of a toolbar has the toolbar's identifier).
constexpr UINT IDR_TOOLBAR_MAIN = 130;
constexpr UINT IDR_TOOLBAR_EDIT = 144;

// Status bar icons.
constexpr UINT IDB_STATUS_POSITION = 386; // pane 4, the mouse position
constexpr UINT IDB_STATUS_DIMENSIONS = 387; // pane 1, the picture's size

// The Rotate Free dialog's dial (201 x 201, 16 colours).
constexpr UINT IDB_DIAL = 20304;

// Cursors.
constexpr UINT IDC_SELECTION = 138; // a selection tracker is active in the image pane
constexpr UINT IDC_DRAG_FILES = 2157; // dragging thumbnails, hot spot (16, 8)
constexpr UINT IDC_DIAL = 20305; // the Rotate Free dialog's dial

// Menu resource of the image pane's measuring popup.
constexpr UINT IDR_MEASURE_POPUP = 142;

// Strings.
constexpr UINT IDS_FILE_FILTER = 105;
constexpr UINT IDS_JUST_BROWSE = 5000;
constexpr UINT IDS_FOR_SPEED = 5001;
constexpr UINT IDS_FILE_NOT_FOUND = 5011;
constexpr UINT IDS_UNKNOWN_FILE_TYPE = 5012;
constexpr UINT IDS_INVALID_FORMAT = 5013;
constexpr UINT IDS_FAIL_TO_CREATE_FILE = 5014;
constexpr UINT IDS_FAIL_TO_DELETE_FILE = 5015;
constexpr UINT IDS_FAIL_TO_OPEN_FILE = 5016;
constexpr UINT IDS_FAIL_TO_CLOSE_FILE = 5017;
constexpr UINT IDS_FAIL_TO_EDIT_FILE = 5018;
constexpr UINT IDS_FAIL_TO_SAVE_FILE = 5019;
constexpr UINT IDS_NOT_FIT_SIZE = 5020;
constexpr UINT IDS_FOLDER_NOT_FOUND = 5021;
constexpr UINT IDS_FAIL_TO_CREATE_FOLDER = 5022;
constexpr UINT IDS_FAIL_TO_DELETE_FOLDER = 5023;
constexpr UINT IDS_FAIL_TO_READ_FOLDER = 5024;
constexpr UINT IDS_FAIL_TO_WRITE_FOLDER = 5025;
constexpr UINT IDS_FAIL_TO_RENAME_FOLDER = 5026;
constexpr UINT IDS_NOT_ENOUGH_SPACE = 5027;
constexpr UINT IDS_UNIT_INCH = 20100;
constexpr UINT IDS_UNIT_CM = 20101;
constexpr UINT IDS_ANGLE = 20102;
constexpr UINT IDS_PIXEL_PER_INCH = 61453;
constexpr UINT IDS_PIXEL_PER_CM = 61454;
constexpr UINT IDS_ERROR_FORMAT = 61455;
constexpr UINT IDS_SELECT_FOLDER = 61456;
constexpr UINT IDS_CONVERSION_FINISHED = 61457;

// Status bar indicators (their strings give the panes' widths).
constexpr UINT ID_INDICATOR_PATH = 20103;
constexpr UINT ID_INDICATOR_DIMENSIONS = 20104;
constexpr UINT ID_INDICATOR_COLORS = 20105;
constexpr UINT ID_INDICATOR_FILE_SIZE = 20106;
constexpr UINT ID_INDICATOR_POSITION = 20107;
constexpr UINT ID_SEPARATOR = 0;

// Framework strings.
constexpr UINT AFX_IDS_APP_TITLE = 57344;
constexpr UINT AFX_IDS_IDLEMESSAGE = 57345;
constexpr UINT AFX_IDP_FAILED_TO_OPEN_DOC = 61697;
constexpr UINT AFX_IDP_PARSE_INT = 61712; // a field exchanged as an integer holds something else
constexpr UINT AFX_IDP_PARSE_INT_RANGE = 61714; // ... or an integer outside its range (%1 ... %2)

// View menu and zoom commands.
constexpr UINT ID_VIEW_FIT_WIDTH = 31785;
constexpr UINT ID_VIEW_FIT_HEIGHT = 31786;
constexpr UINT ID_VIEW_ZOOM_300 = 31787;
constexpr UINT ID_VIEW_ZOOM_200 = 31788;
constexpr UINT ID_VIEW_ZOOM_150 = 31789;
constexpr UINT ID_VIEW_ZOOM_100 = 31790;
constexpr UINT ID_VIEW_ZOOM_75 = 31791;
constexpr UINT ID_VIEW_ZOOM_50 = 31792;
constexpr UINT ID_VIEW_ZOOM_25 = 31793;
constexpr UINT ID_VIEW_FIT_PICTURE = 31794;

// File commands of the frame and the main toolbar.
constexpr UINT ID_PICTURE_OPEN = 32775;
constexpr UINT ID_PICTURE_SAVE = 32776;
constexpr UINT ID_PICTURE_SAVE_AS = 32777;
constexpr UINT ID_PICTURE_PREVIOUS = 32778;
constexpr UINT ID_PICTURE_NEXT = 32779;
constexpr UINT ID_PICTURE_FIT_WIDTH = 32781;
constexpr UINT ID_PICTURE_FIT_HEIGHT = 32782;
constexpr UINT ID_PICTURE_ZOOM_IN = 32783;
constexpr UINT ID_PICTURE_ZOOM_OUT = 32784;
constexpr UINT ID_PICTURE_PRINT = 32785;
constexpr UINT ID_HELP_CONTENTS = 32786;

// Measuring popup commands (not handled).
constexpr UINT ID_MEASURE_FIRST = 32816;
constexpr UINT ID_MEASURE_LAST = 32818;

// Edit toolbar.
constexpr UINT ID_TOOL_SELECT = 32822;
constexpr UINT ID_TOOL_RECTANGLE = 32823;
constexpr UINT ID_TOOL_ELLIPSE = 32824;
constexpr UINT ID_TOOL_POLYGON = 32825;
constexpr UINT ID_EDIT_DELETE_SELECTION = 32827;
constexpr UINT ID_EDIT_REVERSE = 32828;
constexpr UINT ID_EDIT_CROP = 32829;
constexpr UINT ID_EDIT_ROTATE_LEFT = 32832;
constexpr UINT ID_EDIT_ROTATE_RIGHT = 32833;
constexpr UINT ID_EDIT_ROTATE_FREE = 32834;
constexpr UINT ID_EDIT_DARKNESS = 32835;
constexpr UINT ID_EDIT_BRIGHTNESS = 32836;
constexpr UINT ID_EDIT_NEGATIVE = 32837;
constexpr UINT ID_EDIT_REMOVE_BLACK_EDGE = 32838;
constexpr UINT ID_EDIT_IMAGE_SIZE = 32839;
constexpr UINT ID_EDIT_RESET = 32840;

// Tools menu.
constexpr UINT ID_TOOLS_BATCH_CONVERT = 32851;
constexpr UINT ID_TOOLS_ROTATE_LEFT = 32852;
constexpr UINT ID_TOOLS_ROTATE_RIGHT = 32853;
constexpr UINT ID_TOOLS_ROTATE_FREE = 32854;
constexpr UINT ID_TOOLS_MIRROR = 32855;
constexpr UINT ID_TOOLS_FLIP = 32856;
constexpr UINT ID_TOOLS_IMAGE_SIZE = 32857;

// Effect menu.
constexpr UINT ID_EFFECT_BRIGHT = 32868;
constexpr UINT ID_EFFECT_DARK = 32869;
constexpr UINT ID_EFFECT_BLACK_WHITE = 32870;
constexpr UINT ID_EFFECT_GRAY = 32871;
constexpr UINT ID_EFFECT_NEGATIVE = 32872;
constexpr UINT ID_EFFECT_RESET = 32873;
// Later commands.
constexpr UINT ID_FILE_PROPERTIES = 32900;
constexpr UINT ID_VIEW_ANIMATION_PAUSE = 32901;

// Framework commands.
constexpr UINT ID_FILE_NEW = 57600;
constexpr UINT ID_FILE_OPEN = 57601;
constexpr UINT ID_FILE_SAVE = 57603;
constexpr UINT ID_FILE_PRINT_SETUP = 57606;
constexpr UINT ID_FILE_PRINT = 57607;
constexpr UINT ID_FILE_PRINT_PREVIEW = 57609;
constexpr UINT ID_FILE_MRU_FILE1 = 57616;
constexpr UINT ID_FILE_MRU_LAST = 57631;
constexpr UINT ID_EDIT_COPY = 57634;
constexpr UINT ID_EDIT_CUT = 57635;
constexpr UINT ID_EDIT_PASTE = 57637;
constexpr UINT ID_EDIT_UNDO = 57643;
constexpr UINT ID_EDIT_REDO = 57644;
constexpr UINT ID_APP_ABOUT = 57664;
constexpr UINT ID_APP_EXIT = 57665;
constexpr UINT ID_NEXT_PANE = 57680;
constexpr UINT ID_PREV_PANE = 57681;
constexpr UINT ID_VIEW_TOOLBAR = 59392;
constexpr UINT ID_VIEW_STATUS_BAR = 59393;

// Control bars and panes.
constexpr UINT AFX_IDW_TOOLBAR = 59392;
constexpr UINT AFX_IDW_STATUS_BAR = 59393;
constexpr UINT AFX_IDW_PANE_FIRST = 59648;
constexpr UINT IDW_TAB_WINDOW = 9592;
constexpr UINT IDW_TAB_PANE_FIRST = 13576;
constexpr UINT IDC_FOLDER_TREE = 137;

// Pane framework node identifiers of the main frame.
constexpr UINT IDV_THUMB_PANE = 135;
constexpr UINT IDV_IMAGE_PANE = 136;
constexpr UINT IDV_FOLDER_PANE = 139;
constexpr UINT IDV_OUTER_SPLITTER = 1029;
constexpr UINT IDV_INNER_SPLITTER = 1030;
