// Resource numbers of the packer window's dialog and controls, shared by its
// resource scripts (pack_window/packer_*.rc), its code and the GUI tests.
#pragma once

#define IDD_PACKER 130

// The step's heading and the buttons below every step.
#define IDC_PACKER_STEP 3000
#define IDC_PACKER_BACK 3040
// IDOK goes on to the next step (and packs on the password's step), IDCANCEL
// closes the window (or cancels the packing under way).

// What to pack.
#define IDC_PACKER_ITEMS_LABEL 3020
#define IDC_PACKER_ITEMS 3001
#define IDC_PACKER_ADD_FILES 3002
#define IDC_PACKER_ADD_FOLDER 3003
#define IDC_PACKER_REMOVE 3004
#define IDC_PACKER_TOTAL 3005
#define IDC_PACKER_PROBLEMS_LABEL 3021
#define IDC_PACKER_PROBLEMS 3006

// The kind.
#define IDC_PACKER_KIND_LABEL 3022
#define IDC_PACKER_KIND 3007
#define IDC_PACKER_COMPRESSION_LABEL 3023
#define IDC_PACKER_COMPRESSION 3008
#define IDC_PACKER_CLASSIC 3009

// The layout.
#define IDC_PACKER_DESCRIPTION_LABEL 3024
#define IDC_PACKER_DESCRIPTION 3025
#define IDC_PACKER_LINK_LABEL 3026
#define IDC_PACKER_LINK 3027
#define IDC_PACKER_DISCLAIMER_LABEL 3028
#define IDC_PACKER_DISCLAIMER 3029
#define IDC_PACKER_PICTURE_LABEL 3030
#define IDC_PACKER_PICTURE 3031
#define IDC_PACKER_CHOOSE_PICTURE 3032
#define IDC_PACKER_MESSAGE_LABEL 3033
#define IDC_PACKER_MESSAGE 3034
#define IDC_PACKER_MESSAGE_NOTE 3035
#define IDC_PACKER_PREVIEW 3036

// The password.
#define IDC_PACKER_PASSWORD_LABEL 3037
#define IDC_PACKER_PASSWORD 3010
#define IDC_PACKER_REPEAT_LABEL 3038
#define IDC_PACKER_REPEAT 3011
#define IDC_PACKER_PROPOSE 3012
#define IDC_PACKER_STRENGTH 3013
#define IDC_PACKER_PROPOSED 3039

// The packing and its end.
#define IDC_PACKER_PROGRESS 3014
#define IDC_PACKER_STATUS 3015
#define IDC_PACKER_DONE 3018
#define IDC_PACKER_SEND_TO 3016
#define IDC_PACKER_SHOW 3017
