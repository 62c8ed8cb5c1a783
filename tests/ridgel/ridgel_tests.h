// Template ids of the test dialogs (ridgel_tests.rc) and their control ids.
#pragma once

#define IDD_CONTROLS 100
#define IDD_EMPTY 101
#define IDD_BUTTONS 102

// IDD_CONTROLS
#define IDC_TEXT 10
#define IDC_EDIT 11
#define IDC_LIST 12
#define IDC_GROUP 13
#define IDC_PUSH 14
#define IDC_COMBO 15
#define IDC_SCROLL 16
#define IDC_CHECK 17
#define IDC_RADIO 18
#define IDC_DEFPUSH 19

// IDD_BUTTONS
#define IDC_PLAIN_CHECK 20
#define IDC_AUTO_CHECK 21
#define IDC_LEFT_CHECK 22
#define IDC_3STATE 23
#define IDC_AUTO_3STATE 24
#define IDC_PLAIN_RADIO 25
#define IDC_FRAME 30
#define IDC_RADIO_100 100
#define IDC_RADIO_101 101
#define IDC_RADIO_102 102
#define IDC_RADIO_103 103
#define IDC_PUSH_104 104
