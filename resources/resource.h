// Resource and command ids of the viewer. Shared by the .rc file and the code.
#pragma once

// Resources
#define IDR_MAINFRAME           128   // menu, accelerators, toolbar, icon, document string
#define IDB_TOOLBAR_EXTRA       132   // 23 extra toolbar images (22 are added)
#define IDD_ABOUTBOX            100
#define IDD_FILTER              130

// About dialog controls
#define IDC_SAMPLE_TEXT         1001
#define IDC_PROGRAM_LINE        1002
#define IDC_ABOUT_ICON          1005

// Filter dialog controls
#define IDC_INCLUDE             1000
#define IDC_EXCLUDE             1001
#define IDC_INCLUDE_LABEL       1003
#define IDC_EXCLUDE_LABEL       1004

// The program's own commands
#define ID_FILTER               32772
#define ID_CLEAR                32774
#define ID_CAPTURE              32776
#define IDS_SAVE_LOG            32777
#define IDS_FIRST_LANGUAGE      32778
#define ID_LOG_TO_FILE          32779
#define ID_BROADCAST_SEND       32781
#define ID_BROADCAST_RECEIVE    32782
#define ID_AUTO_SCROLL          32785
#define ID_LANGUAGE_DEFAULT     32790
#define ID_LANGUAGE_FIRST       32791
#define ID_LANGUAGE_LAST        32839

// The program's own strings (beyond the commands' prompts)
#define IDS_UNKNOWN_ARGUMENT    33000
#define IDS_LOG_LINES_DROPPED   33001
// Texts of printing and the print preview (string table only). %1, %2 are
// filled in by the program (see orlix::FillInserts).
#define IDS_PRINT_FIRST             33024
#define IDS_PREVIEW_TITLE           33024
#define IDS_PREVIEW_PRINT           33025
#define IDS_PREVIEW_PREV            33026
#define IDS_PREVIEW_NEXT            33027
#define IDS_PREVIEW_ZOOM_IN         33028
#define IDS_PREVIEW_ZOOM_OUT        33029
#define IDS_PREVIEW_CLOSE           33030
#define IDS_PREVIEW_NO_PAGE         33031
#define IDS_PREVIEW_WHOLE_PAGE      33032
#define IDS_PREVIEW_PAPER_TOO_SMALL 33033
#define IDS_PAGE_NUMBER             33034
#define IDS_PRINT_NO_PRINTER        33035
#define IDS_PRINT_OPEN_ERROR        33036
#define IDS_PRINT_OPEN_FAILED       33037
#define IDS_PRINT_PAPER_TOO_SMALL   33038
#define IDS_PRINT_NO_SUCH_PAGE      33039
#define IDS_PRINT_FAILED            33040
#define IDS_PRINT_LAST              33040
// The list's own texts (string table only); also between the commands and
// the framework's ids.
#define IDS_SAVE_PROGRESS           33050
#define IDS_SAVE_STOPPED            33051

// Capture of the global (session-independent) debug channel.
#define ID_CAPTURE_GLOBAL           33500
#define IDS_GLOBAL_REFUSED          33501

// Forwarding to syslog: the command, its texts, its dialog and controls
#define ID_SYSLOG_FORWARD           33550
#define IDS_SYSLOG_PANE             33551
#define IDS_SYSLOG_BAD_PORT         33552
#define IDS_SYSLOG_NO_HOST          33553
#define IDD_SYSLOG                  165

// The window's finish: the message column fills the width, dialogs open
// centred over the window, the status bar shows the row count and filters.
#define ID_FIT_MESSAGE_COLUMN       33600
#define ID_CENTER_DIALOGS           33601
#define ID_STATUS_DETAILS           33602
#define IDS_STATUS_ROWS             33603
#define IDS_STATUS_ROWS_SHOWN       33604
#define IDS_STATUS_FILTER           33605
#define IDS_STATUS_QUICK_FILTER     33606
#define IDS_STATUS_BOTH_FILTERS     33607

// Display choices of the list: repeated lines folded, ANSI escape colours.
#define ID_FOLD_REPEATS             33880
#define ID_ANSI_COLOURS             33881
#define IDC_SYSLOG_ENABLE           1100
#define IDC_SYSLOG_HOST             1101
#define IDC_SYSLOG_PORT             1102
#define IDC_SYSLOG_UDP              1103
#define IDC_SYSLOG_TCP              1104
#define IDC_SYSLOG_FACILITY         1105
#define IDC_SYSLOG_HOST_LABEL       1106
#define IDC_SYSLOG_PORT_LABEL       1107
#define IDC_SYSLOG_PROTOCOL_LABEL   1108
#define IDC_SYSLOG_FACILITY_LABEL   1109

// Find, highlight rules, quick filters, bookmarks and row copying
#define IDD_FIND                140
#define IDD_HIGHLIGHT           141
#define IDD_ROW_DETAILS         142
#define IDR_ROW_MENU            143
#define ID_FIND                 33100
#define ID_FIND_NEXT            33101
#define ID_FIND_PREV            33102
#define ID_BOOKMARK_TOGGLE      33103
#define ID_BOOKMARK_NEXT        33104
#define ID_BOOKMARK_PREV        33105
#define ID_COPY_ROWS            33106
#define ID_HIGHLIGHT_RULES      33107
#define ID_QUICK_FIND_PROCESS   33108
#define ID_QUICK_HIDE_PROCESS   33109
#define ID_QUICK_ONLY_PROCESS   33110
#define ID_QUICK_HIGHLIGHT      33111
#define ID_QUICK_CLEAR          33112
#define IDS_FIND_WRAPPED        33200
#define IDS_FIND_NOT_FOUND      33201
#define IDS_BAD_PATTERN         33202
#define IDS_BOOKMARK_NONE       33203
#define IDS_RULE_TEXT           33204
#define IDS_RULE_PROCESS        33205
#define IDS_RULES_FULL          33206
#define IDS_PATTERN_TOO_COMPLEX 33207
#define IDS_FIND_PROGRESS       33208
#define IDS_FIND_STOPPED        33209
#define IDS_RULE_TOO_COMPLEX    33210
#define IDC_FIND_TEXT           1200
#define IDC_FIND_CASE           1201
#define IDC_FIND_WORD           1202
#define IDC_FIND_REGEX          1203
#define IDC_FIND_UP             1204
#define IDC_FIND_DOWN           1205
#define IDC_FIND_LABEL          1206
#define IDC_FIND_DIRECTION      1207
#define IDC_DETAILS_TEXT        1210
#define IDC_DETAILS_COPY        1211
#define IDC_RULE_LIST           1220
#define IDC_RULE_KIND           1221
#define IDC_RULE_PATTERN        1222
#define IDC_RULE_CASE           1223
#define IDC_RULE_REGEX          1224
#define IDC_RULE_FORE           1225
#define IDC_RULE_BACK           1226
#define IDC_RULE_ADD            1227
#define IDC_RULE_REPLACE        1228
#define IDC_RULE_REMOVE         1229
#define IDC_RULE_UP             1230
#define IDC_RULE_DOWN           1231
#define IDC_RULE_LABEL          1232
#define IDC_RULE_SAMPLE         1233

// Everyday options beyond the basic viewer (all off or unchanged by default):
// time modes, window and column choices, text decoding, history, import.
#define ID_TIME_CLOCK           33300
#define ID_TIME_CLOCK_MS        33301
#define ID_TIME_SINCE_FIRST     33302
#define ID_TIME_DELTA           33303
#define ID_ALWAYS_ON_TOP        33304
#define ID_DECODE_UTF8          33305
#define ID_HISTORY_LIMIT        33306
#define ID_FILE_IMPORT          33307
#define ID_COLUMN_FIRST         33310   // show/hide column 0..3 (the header's menu)
#define ID_COLUMN_LAST          33313
#define IDS_ALL_FILES_FILTER    33400
#define IDS_NEW_DOCUMENT_FAILED 33401
#define IDS_OPEN_DOCUMENT_FAILED 33402
#define IDS_IMPORT_NOT_OURS     33403
#define IDS_IMPORT_FILTER       33404
#define IDS_IMPORT_PROGRESS     33405
#define IDS_IMPORT_STOPPED      33406
#define IDS_OUT_OF_MEMORY       33407
#define IDD_HISTORY_LIMIT       150
#define IDC_HISTORY_ROWS        1300
#define IDC_HISTORY_LABEL       1301

// The framework's standard commands, strings and window ids
#include "../framework/AfxRes.h"

// Dialog controls that need no id of their own
#ifndef IDC_STATIC
// Views: several lists over one capture, each with its own rules.
#define ID_VIEW_NEW             33700
#define ID_VIEW_CLOSE           33701
#define ID_VIEW_RENAME          33702
#define ID_VIEW_NEXT            33703
#define ID_VIEW_PREV            33704
#define ID_VIEW_RULES           33705
#define ID_VIEW_FILTER_BOX      33706
#define ID_VIEW_SAVE_RULES      33707
#define ID_VIEW_LOAD_RULES      33708
#define ID_VIEW_OF_PROCESS      33709
#define ID_VIEW_SHOW_IN_FIRST   33710
#define ID_VIEW_NEW_EMPTY       33711
#define ID_PRESET_RECENT_FIRST  33720
#define ID_PRESET_RECENT_LAST   33723
#define IDS_VIEW_NAME           33730
#define IDS_VIEW_FIRST_NAME     33731
#define IDS_VIEW_TAB            33732
#define IDS_PRESET_BAD          33733
#define IDS_PRESET_FILTER       33734
#define IDS_FILTER_BOX_LABEL    33735
#define IDS_FILTER_BOX_REGEX    33736
#define IDS_FILTER_BOX_COUNT    33737
#define IDS_RULE_ACTIONS        33738
#define IDS_RULE_FIELDS         33739
#define IDS_RULE_MATCHES        33740
#define IDS_RULE_MATCH_COUNT    33741
#define IDS_PRESET_SAVE_FAILED  33742
#define IDD_VIEW_RULES          170
#define IDD_RENAME_VIEW         171
#define IDC_VRULE_LIST          1400
#define IDC_VRULE_ACTION        1401
#define IDC_VRULE_FIELD         1402
#define IDC_VRULE_MATCH         1403
#define IDC_VRULE_CASE          1404
#define IDC_VRULE_PATTERN       1405
#define IDC_VRULE_FORE          1406
#define IDC_VRULE_BACK          1407
#define IDC_VRULE_ADD           1408
#define IDC_VRULE_REPLACE       1409
#define IDC_VRULE_REMOVE        1410
#define IDC_VRULE_UP            1411
#define IDC_VRULE_DOWN          1412
#define IDC_VRULE_COUNT         1413
#define IDC_VRULE_SAMPLE        1414
#define IDC_VRULE_ACTION_LABEL  1415
#define IDC_VRULE_FIELD_LABEL   1416
#define IDC_VRULE_MATCH_LABEL   1417
#define IDC_VRULE_PATTERN_LABEL 1418
#define IDC_VIEW_NAME           1420
#define IDC_VIEW_NAME_LABEL     1421
#define IDC_FILTER_BOX_EDIT     1430
#define IDC_FILTER_BOX_REGEX    1431
#define IDC_FILTER_BOX_COUNT    1432
#define IDC_FILTER_BOX_LABEL    1433
#define IDC_VIEW_TABS           1434
// The automatic log's new files (File › Log File Options).
#define ID_LOG_OPTIONS          33920
#define IDS_VIEW_RULES_FULL     33921   // a quick filter finds the view's rules full
// View › Timeline.
#define ID_VIEW_TIMELINE        33922
#define IDS_TIMELINE_PEAK       33923
#define IDS_TIMELINE_TIP        33924
#define IDS_TIMELINE_OTHERS     33925
#define IDC_TIMELINE            1487
// View › Theme.
#define ID_THEME_LIGHT          33930
#define ID_THEME_DARK           33931
#define ID_THEME_SYSTEM         33932
#define IDD_LOG_OPTIONS         190
#define IDC_LOG_BY_SIZE         1480
#define IDC_LOG_MAX_KB          1481
#define IDC_LOG_DAILY           1482
#define IDC_LOG_KEEP_LABEL      1483
#define IDC_LOG_KEEP            1484
#define IDC_LOG_NUMBERED        1485
#define IDC_LOG_DATED           1486
static_assert(ID_VIEW_NEW > ID_STATUS_DETAILS && IDS_PRESET_SAVE_FAILED < 0xE000, "view ids");
static_assert(ID_PRESET_RECENT_LAST - ID_PRESET_RECENT_FIRST == 3, "four recent presets");

// Scripted start and the user guide: 33850-33879.
#define ID_HELP_USER_GUIDE      33850
#define IDS_GUIDE_NOT_OPENED    33851
#define IDS_SWITCH_NEEDS_FILE   33852
#define IDS_SWITCH_BAD_CAPTURE  33853
#define IDS_SWITCH_BAD_LIMIT    33854
#define IDS_SWITCHES_USAGE      33855
#define IDS_SWITCH_HELP_LOG     33856
#define IDS_SWITCH_HELP_CAPTURE 33857
#define IDS_SWITCH_HELP_LIMIT   33858
#define IDS_SWITCH_HELP_VIEW    33859
#define IDS_SWITCH_HELP_PRINT   33860
#define IDS_SWITCH_HELP_HELP    33861
static_assert(ID_HELP_USER_GUIDE >= 33850 && IDS_SWITCH_HELP_HELP <= 33879, "start and guide ids");
// Followed log files.
#define ID_FOLLOW_FILE          33800
#define ID_FOLLOW_STOP          33801
#define ID_FOLLOW_TAIL          33802
#define IDS_FOLLOW_TRUNCATED    33810
#define IDS_FOLLOW_REPLACED     33811
#define IDS_FOLLOW_WAITING      33812
#define IDS_FOLLOW_FILTER       33813
#define IDS_FOLLOW_FAILED       33814
#define IDD_FOLLOW_STOP         180
#define IDD_FOLLOW_TAIL         181
#define IDC_FOLLOW_LIST         1440
#define IDC_FOLLOW_STOP_ONE     1441
#define IDC_FOLLOW_TAIL_LINES   1442
#define IDC_FOLLOW_TAIL_LABEL   1443
static_assert(ID_FOLLOW_FILE >= 33800 && IDS_FOLLOW_FAILED <= 33849, "follow ids");
static_assert(IDC_FOLLOW_LIST >= 1440 && IDC_FOLLOW_TAIL_LABEL <= 1459, "follow controls");

#define IDC_STATIC              (-1)
#endif

#include "version.h"

#ifndef RC_INVOKED
// The print texts sit between the program's commands and the framework's
// standard ids (0xE000 up), so no lookup by id finds the wrong entry.
static_assert(IDS_PRINT_FIRST > ID_LANGUAGE_LAST, "print texts overlap the commands");
static_assert(IDS_PRINT_LAST < 0xE000, "print texts overlap the framework's ids");
static_assert(IDS_PRINT_FIRST <= IDS_PRINT_LAST, "print text range");
static_assert(ID_SYSLOG_FORWARD >= 33550 && IDS_SYSLOG_NO_HOST <= 33599, "syslog ids");
static_assert(ID_FOLD_REPEATS >= 33880 && ID_ANSI_COLOURS <= 33919, "display choice ids");
static_assert(IDC_SYSLOG_ENABLE >= 1100 && IDC_SYSLOG_FACILITY_LABEL <= 1119, "syslog controls");
#endif
