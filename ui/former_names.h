// The names under which the camera, album and retouch windows still know what moved into
// this layer from the shell and the windows folders. Only the sources of those windows
// include this, none of their headers; it goes once they say ui:: themselves.
#pragma once

#include "ui/app_state.h"
#include "ui/child_frame.h"
#include "ui/dc_render_device.h"
#include "ui/file_dialog_rules.h"
#include "ui/file_dialogs.h"
#include "ui/printing.h"
#include "ui/processing_dlg.h"
#include "ui/wx_path.h"

namespace tessaly::shell {
using ui::AppState;
using ui::CFileSaveDialog;
using ui::CFolderDialog;
using ui::PrintWithDialog;
using ui::ShowPrintPreview;
using ui::StoredFilterIndex;
using ui::TheAppState;
using ui::ToolkitFilterIndex;
}  // namespace tessaly::shell

namespace tessaly::windows {
using ui::BitmapThroughRenderer;
using ui::CChildFrame;
using ui::CProcessingDlg;
using ui::DcRenderDevice;
using ui::DisplayName;
using ui::ForcedDisplayDepth;
using ui::PathToWx;
using ui::ProcessingObserver;
using ui::WxToPath;
}  // namespace tessaly::windows
