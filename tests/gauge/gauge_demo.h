// Control ids of the gauge demo's dialog.
#pragma once

#define IDC_DEMO_STATUS 101
#define IDC_DEMO_GAUGE 100
#define IDC_DEMO_STEP 102
#define IDC_DEMO_RUN 103
