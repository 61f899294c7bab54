// Resource, command and control identifiers of the Skovalt program. The
// numbers are fixed: menus, accelerators, toolbar buttons, the string table
// of help texts and the dialogs all refer to them. Kept free of C++ so the
// resource compiler reads it too.
#ifndef SKOVALT_RESOURCES_RESOURCE_H
#define SKOVALT_RESOURCES_RESOURCE_H

/* Icons, cursors, bitmaps, the animation. */
#define IDI_SKOVALT 103
#define IDB_LISTIMAGES 106
#define IDB_TOOLBAR 126
#define IDC_SPLIT 130
#define IDC_DRAGROW 137
#define IDR_REFRESHAVI 153
#define IDI_STARTUP 142
#define IDI_QUAKE2 136
#define IDI_LAYOUT 143
#define IDI_FILTER 145
#define IDB_PORTRAIT 141
#define IDR_PORTRAITJPEG 120

/* The same artwork at 150 and 200 % (for 144 and 192 DPI). The icons hold
   every size in one resource each. */
#define IDB_TOOLBAR150 160
#define IDB_TOOLBAR200 161
#define IDB_LISTIMAGES150 162
#define IDB_LISTIMAGES200 163
#define IDC_SPLIT150 164
#define IDC_SPLIT200 165
#define IDC_DRAGROW150 166
#define IDC_DRAGROW200 167
#define IDR_REFRESHAVI150 168
#define IDR_REFRESHAVI200 169

/* Menus and accelerators. */
#define IDM_MAINMENU 109
#define IDA_MAIN 114
#define IDM_CONTEXT 133

/* Dialogs. */
#define IDD_ADDSERVER 134
#define IDD_PROMPT 140
#define IDD_FILTER 144
#define IDD_ABOUT 110
#define IDD_GENERAL 128
#define IDD_STARTUP 127
#define IDD_QUAKE2 102
#define IDD_LAYOUT 131
#define IDD_SELECTUSER 154
#define IDD_DETAILS 108
#define IDD_ONLINEUSERS 112
#define IDD_FINDPLAYER 113

/* Controls of the General page. */
#define IDC_GENERAL_SOUND 1019
#define IDC_GENERAL_NOULO 1027
#define IDC_GENERAL_ASKSAVE 1062
#define IDC_GENERAL_NOHOSTNAMES 1065
#define IDC_GENERAL_TIMEOUT 1030
#define IDC_GENERAL_TIMEOUTSPIN 1031
#define IDC_GENERAL_THREADS 1048
#define IDC_GENERAL_THREADSSPIN 1049

/* Controls of the Startup page. */
#define IDC_STARTUP_NOTHING 1033
#define IDC_STARTUP_ULOSEARCH 1034
#define IDC_STARTUP_QUERY 1035
#define IDC_STARTUP_LASTQUERY 1037
#define IDC_STARTUP_REFRESH 1038
#define IDC_STARTUP_DIALUP 1036
#define IDC_STARTUP_CHECKVERSION 1051

/* Controls of the Quake2 page. */
#define IDC_QUAKE2_EXE 1008
#define IDC_QUAKE2_BROWSE 1009
#define IDC_QUAKE2_PARAM 1010
#define IDC_QUAKE2_PARAMCTF 1011
#define IDC_QUAKE2_PARAMLMCTF 1012
#define IDC_QUAKE2_PARAMRA 1013
#define IDC_QUAKE2_CLOSEULO 1026
#define IDC_QUAKE2_WAITLABEL 1050
#define IDC_QUAKE2_WAIT 1045
#define IDC_QUAKE2_WAITSPIN 1046
#define IDC_QUAKE2_CONFIRM 1047

/* Controls of the Layout page. */
#define IDC_LAYOUT_WINDOW 1042
#define IDC_LAYOUT_AVAILABLE 1037
#define IDC_LAYOUT_ADD 1039
#define IDC_LAYOUT_REMOVE 1040
#define IDC_LAYOUT_UP 1043
#define IDC_LAYOUT_DOWN 1044
#define IDC_LAYOUT_SELECTED 1038
#define IDC_LAYOUT_FONT 1055
#define IDC_LAYOUT_GRID 1056
#define IDC_LAYOUT_BKIMG 1058
#define IDC_LAYOUT_GRAYOUT 1059
#define IDC_LAYOUT_THRESHOLD 1060
#define IDC_LAYOUT_THRESHOLDSPIN 1061

/* Controls of the about box. */
#define IDC_ABOUT_MAIL 1025
#define IDC_ABOUT_VERSION 1020
#define IDC_ABOUT_PICTURE 1054

/* Controls of the Add server dialog. */
#define IDC_ADD_NAME 1043
#define IDC_ADD_PORT 1044

/* Controls of the prompt dialog. */
#define IDC_PROMPT_TEXT 1015
#define IDC_PROMPT_EDIT 1016

/* Controls of the Filter page. */
#define IDC_FILTER_GAMES 1063
#define IDC_FILTER_FAVORITES 1064

/* Controls of the Select Ulo user dialog. */
#define IDC_SELECTUSER_LIST 1022

/* Controls of the server details dialog. */
#define IDC_DETAILS_PLAYERS 1001
#define IDC_DETAILS_RULES 1006

/* Controls of the Find (player) dialog. */
#define IDC_FIND_TEXT 1023
#define IDC_FIND_ONLINE 1024

/* Controls of the Online Ulo users dialog. */
#define IDC_ONLINE_USERS 1022

/* Child windows of the main window. */
#define ID_STATUSBAR 100
#define ID_TOOLBAR 101
#define ID_PLAYERLIST 102
#define ID_SERVERLIST 103
#define ID_SPLITTER 104
#define ID_ANIMATION 105

/* Commands. */
#define CMD_SERVERDETAILS 1010
#define CMD_EXIT 40001
#define CMD_REFRESH 40003
#define CMD_ABOUT 40004
#define CMD_LAUNCH 40005
#define CMD_PREFERENCES 40007
#define CMD_FINDSERVER 40008
#define CMD_STOP 40009
#define CMD_ADDSERVER 40014
#define CMD_DELETE 40015
#define CMD_RELOADMASTER 40016
#define CMD_REFRESHSELECTED 40018
#define CMD_PASTE 40021
#define CMD_MOVETOTOP 40022
#define CMD_COPY 40023
#define CMD_FINDPLAYER 40027
#define CMD_FINDNEXT 40028
#define CMD_GOTOWEBSITE 40029
#define CMD_SELECTALL 40030
#define CMD_SAVELIST 40031
#define CMD_CHECKVERSION 40032
#define CMD_FAVORITE 40034
#define CMD_FAVORITESONLY 40035
#define CMD_THISGAMEONLY 40036
#define CMD_SHOWALLGAMES 40038
#define CMD_SENDSERVERINFO 40039
#define CMD_NEXTSAMEGAME 40040
#define CMD_PREVSAMEGAME 40041
#define CMD_HOMEPAGE 40042

#endif
