// Identifiers of the program's resources: the saver's name and icon, the configuration and
// preview dialogs and their controls. Plain #defines only: the resource compiler reads this
// file as well as the C++ code. It sits below the host and the configuration dialog, which
// both name resources of the one image.
#pragma once

// The string the system lists as the screen saver's name, and the program's icon.
#define IDS_SAVER_NAME 1
#define IDI_LUMORA 2001

// What the screen-saver host asks for under the numbers the system's screen-saver library
// has always used. The image carries neither: the window class gets no icon, and the
// configuration mode's closing dialog fails at once.
#define IDI_SAVER_CLASS 100
#define IDD_SAVER_CONFIGURE 2003

#define IDD_CONFIG_DIALOG 101
#define IDD_PREVIEW_DIALOG 102
#define IDB_CONFIG_BANNER 104

// The three buttons beside the picture list keep the small numbers they have always had.
#define IDC_ADD_PICTURES 3
#define IDC_REMOVE_PICTURE 4
#define IDC_REMOVE_ALL_PICTURES 5

#define IDC_PICTURE_LIST 1001
#define IDC_SPEED_TRACKBAR 1002
#define IDC_SIZE_TRACKBAR 1003
#define IDC_SHOW_IMAGES 1004
#define IDC_UNUSED_COMBO 1006
#define IDC_SCHEME_COMBO 1008
#define IDC_PREVIEW 1009
#define IDC_SCHEME_LABEL 1010
#define IDC_FILES_GROUP 1011

// The "Effect" group with the scheme row: the labels of the two trackbars (once hidden
// with no identifier of their own) and the display options.
#define IDC_EFFECT_GROUP 1012
#define IDC_SPEED_LABEL 1013
#define IDC_SIZE_LABEL 1014
#define IDC_PICTURE_FIT_LABEL 1015
#define IDC_PICTURE_FIT_COMBO 1016
#define IDC_MONITORS_LABEL 1017
#define IDC_MONITORS_COMBO 1018
#define IDC_BANNER 1022
#define IDC_SAVE_ERROR 1023

// The photo library: folder entries beside the files, and the order pictures are shown in.
#define IDC_ADD_FOLDER 1019
#define IDC_PICTURE_ORDER_LABEL 1020
#define IDC_PICTURE_ORDER_COMBO 1021

// The "Photos" group: how each picture is shown.
#define IDC_CAPTIONS_LABEL 1024
#define IDC_CAPTIONS_COMBO 1025
#define IDC_PHOTOS_GROUP 1026
#define IDC_PORTRAITS_LABEL 1027
#define IDC_PORTRAITS_COMBO 1028
#define IDC_PER_MONITOR_LABEL 1029
#define IDC_PER_MONITOR_COMBO 1030
#define IDC_PAN_ZOOM_LABEL 1031
#define IDC_PAN_ZOOM_COMBO 1032

// Below Preview, OK and Cancel, shown only when the display turns off before the screen
// saver could start (the dialog grows to hold it).
#define IDC_DISPLAY_OFF_WARNING 1033

// Keys during the show, the clock, the photo filters and memories, and the button that
// leaves a folder out of the folders above it.
#define IDC_PICTURE_KEYS_LABEL 1034
#define IDC_PICTURE_KEYS_COMBO 1035
#define IDC_CLOCK_LABEL 1036
#define IDC_CLOCK_COMBO 1037
#define IDC_MIN_RATING_LABEL 1038
#define IDC_MIN_RATING_COMBO 1039
#define IDC_MIN_SIZE_LABEL 1040
#define IDC_MIN_SIZE_COMBO 1041
#define IDC_MEMORIES_LABEL 1042
#define IDC_MEMORIES_COMBO 1043
#define IDC_LEAVE_OUT_FOLDER 1044

// Clips and live photos, a clip's longest play, a server folder and the server photos' cache.
#define IDC_ADD_SERVER_FOLDER 1045
#define IDC_VIDEOS_LABEL 1046
#define IDC_VIDEOS_COMBO 1047
#define IDC_CLIP_LENGTH_LABEL 1048
#define IDC_CLIP_LENGTH_COMBO 1049
#define IDC_SERVER_CACHE_LABEL 1050
#define IDC_SERVER_CACHE_COMBO 1051

// The small dialog that adds or edits a server folder.
#define IDD_SERVER_FOLDER 103
#define IDC_SERVER_ADDRESS_LABEL 1052
#define IDC_SERVER_ADDRESS 1053
#define IDC_SERVER_USER_LABEL 1054
#define IDC_SERVER_USER 1055
#define IDC_SERVER_PASSWORD_LABEL 1056
#define IDC_SERVER_PASSWORD 1057
#define IDC_SERVER_STATUS 1058

// Commands of the picture list's right-click menu. TrackPopupMenu with TPM_RETURNCMD hands
// back the whole 32-bit identifier, so they need not fit a WM_COMMAND word.
#define IDM_LIST_ADD 343500
#define IDM_LIST_REMOVE 343600
#define IDM_LIST_REMOVE_ALL 343700
#define IDM_LIST_EDIT 343800
