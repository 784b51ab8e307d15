// Resource ids of the library. Included by the resource script as well as by the sources.
#ifndef VESTREL_RESOURCE_H
#define VESTREL_RESOURCE_H

#define IDS_CMX_OPEN_FAILED 1
#define IDS_ERROR_CAPTION 2
#define IDS_BAD_CMX_FILE 3
#define IDS_BAD_INSTRUCTION 4
#define IDS_NO_OUTLINE_INFO 5
#define IDS_NO_IMAGE_SECTION 6
#define IDS_NO_PREVIEW 7

// The open dialog's child template and the control that gives the preview's place.
#define IDD_OPEN_PREVIEW 101
#define IDC_PREVIEW_PLACE 1000

#endif
