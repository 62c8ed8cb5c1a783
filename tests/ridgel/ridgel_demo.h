// Control ids of the ridgel demo dialog (ridgel_demo.rc).
#pragma once

#define IDD_DEMO 200
#define IDC_DEMO_TEXT 201
#define IDC_DEMO_EDIT 202
#define IDC_DEMO_LIST 203
#define IDC_DEMO_COMBO 204
#define IDC_DEMO_GROUP 205
#define IDC_DEMO_CHECK 206
#define IDC_DEMO_AUTOCHECK 207
#define IDC_DEMO_LEFTCHECK 208
#define IDC_DEMO_3STATE 209
#define IDC_DEMO_AUTO3STATE 210
#define IDC_DEMO_RADIO1 211
#define IDC_DEMO_RADIO2 212
#define IDC_DEMO_RADIO3 213
#define IDC_DEMO_PLAINRADIO 214
#define IDC_DEMO_SCROLL 215
#define IDC_DEMO_PUSH 216
#define IDC_DEMO_FRAME 217
