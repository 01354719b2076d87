// The framework's standard command, string and child-window ids. A program
// gives them texts in its own resources; the framework knows only the ids.
#pragma once

// Commands and strings
#define AFX_IDS_APP_TITLE       57344
#define AFX_IDS_IDLEMESSAGE     57345
#define ID_FILE_NEW             57600
#define ID_FILE_OPEN            57601
#define ID_FILE_CLOSE           57602
#define ID_FILE_SAVE            57603
#define ID_FILE_SAVE_AS         57604
#define ID_FILE_PAGE_SETUP      57605
#define ID_FILE_PRINT_SETUP     57606
#define ID_FILE_PRINT           57607
#define ID_FILE_PRINT_DIRECT    57608
#define ID_FILE_PRINT_PREVIEW   57609
#define ID_FILE_MRU_FILE1       57616
#define ID_EDIT_CLEAR           57632
#define ID_EDIT_CLEAR_ALL       57633
#define ID_EDIT_COPY            57634
#define ID_EDIT_CUT             57635
#define ID_EDIT_FIND            57636
#define ID_EDIT_PASTE           57637
#define ID_EDIT_REPEAT          57640
#define ID_EDIT_REPLACE         57641
#define ID_EDIT_SELECT_ALL      57642
#define ID_EDIT_UNDO            57643
#define ID_EDIT_REDO            57644
#define ID_WINDOW_SPLIT         57653
#define ID_APP_ABOUT            57664
#define ID_APP_EXIT             57665
#define ID_NEXT_PANE            57680
#define ID_PREV_PANE            57681
#define ID_VIEW_TOOLBAR         59392
#define ID_VIEW_STATUS_BAR      59393
#define AFX_IDS_AUTOSAVE_NAME   61446   // "auto-save file name:" prompt of the log command

// Child window ids of the frame's bars and view
#define AFX_IDW_TOOLBAR         59392
#define AFX_IDW_STATUS_BAR      59393
#define AFX_IDW_PANE_FIRST      59648

// Standard framework prompt and indicator strings
#define ID_INDICATOR_EXT        59136
#define ID_INDICATOR_CAPS       59137
#define ID_INDICATOR_NUM        59138
#define ID_INDICATOR_SCRL       59139
#define ID_INDICATOR_OVR        59140
#define ID_INDICATOR_REC        59141
#define AFX_IDS_SCSIZE          61184
#define AFX_IDS_SCMOVE          61185
#define AFX_IDS_SCMINIMIZE      61186
#define AFX_IDS_SCMAXIMIZE      61187
#define AFX_IDS_SCNEXTWINDOW    61188
#define AFX_IDS_SCPREVWINDOW    61189
#define AFX_IDS_SCCLOSE         61190
#define AFX_IDS_SCRESTORE       61202
#define AFX_IDS_SCTASKLIST      61203
#define AFX_IDS_PREVIEW_CLOSE   61445
