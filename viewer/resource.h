// Resource identifiers of the viewer.
#pragma once
#define IDD_ABOUT 200
#define IDC_ABOUT_NAME 201
