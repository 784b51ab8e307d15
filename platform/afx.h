// Everything the platform offers in one include.
#pragma once

#include "platform/afxdefs.h"
#include "platform/cfile.h"
#include "platform/clipboard.h"
#include "platform/coll.h"
#include "platform/console.h"
#include "platform/cstring.h"
#include "platform/exceptions.h"
#include "platform/filedlg.h"
#include "platform/gdi.h"
#include "platform/module.h"
#include "platform/msgbox.h"
#include "platform/oleauto.h"
#include "platform/pngcodec.h"
#include "platform/wnd.h"
#include "platform/process.h"
