// Resource numbers of the packer window's dialog and controls, shared by its
// resource scripts (pack_window/packer_*.rc), its code and the GUI tests.
#pragma once

#define IDD_PACKER 130

#define IDC_PACKER_ITEMS 3001
#define IDC_PACKER_ADD_FILES 3002
#define IDC_PACKER_ADD_FOLDER 3003
#define IDC_PACKER_REMOVE 3004
#define IDC_PACKER_TOTAL 3005
#define IDC_PACKER_PROBLEMS 3006
#define IDC_PACKER_KIND 3007
#define IDC_PACKER_COMPRESSION 3008
#define IDC_PACKER_CLASSIC 3009
#define IDC_PACKER_PASSWORD 3010
#define IDC_PACKER_REPEAT 3011
#define IDC_PACKER_PROPOSE 3012
#define IDC_PACKER_STRENGTH 3013
#define IDC_PACKER_PROGRESS 3014
#define IDC_PACKER_STATUS 3015
#define IDC_PACKER_SEND_TO 3016
#define IDC_PACKER_SHOW 3017
// IDOK packs, IDCANCEL closes (or cancels the packing under way).
