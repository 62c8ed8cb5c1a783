// Resource and command identifiers of the converter.
#pragma once
#define CMD_QUIT 100
#define CMD_LOAD 103
#define CMD_OPEN 104
#define CMD_WRITE 105
#define CMD_COMPRESS 106
#define CMD_FRAME_RATE 107
#define CMD_ABOUT 108
#define CMD_EXIT 1001
#define IDD_FRAME_RATE 300
#define IDC_FRAME_RATE 301
#define IDD_ABOUT 400
#define IDC_ABOUT_NAME 401
