// Output of the loaded drawing: job files, the one-call conversion and the release of a
// drawing.
#include "vestrel/cmx/readers.h"
#include "vestrel/frame/vestrel.h"

#include "platform/filedlg.h"

#include <cstring>
#include <memory>

namespace {

// The conversion's save dialog lists job files: one entry, shown and matched as "*.job". The
// system reads a filter as pairs of texts up to an empty one, so the list ends in two zeros
// (the literal's own is the second).
const char kJobFilter[] = "*.job\0*.job\0";

} // namespace

int CCmxParser::WriteJobFile(CString path) {
    // Without a drawing there is nothing to write and nothing to release.
    if (drawing == nullptr)
        return 1;
    // A failed write raises CFileException before the release, so the drawing stays held.
    drawing->CreateJobFile(path);
    walk_->ReleaseDrawing();
    return 1;
}

void CCmxParser::DoWriteJobDlg() {
    CFileDialog dialog(FALSE, "job", "*.job", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, nullptr,
                       nullptr);
    if (dialog.DoModal() == IDOK)
        WriteJobFile(dialog.GetPathName());
}

int CCmxParser::WriteCmxFile(CString) {
    walk_->ReleaseDrawing();
    return 1;
}

int CCmxParser::ParseCmx6(CString* cmxPath, CString* jobPath) {
    const CString cmx = *cmxPath;
    CString job = *jobPath;
    CmxWalk& walk = *walk_;
    const DWORD bodyLength = walk.ReadCmxFile(cmx, true, true);
    if (bodyLength == 0)
        return 0;
    if (job.GetLength() == 1) {
        std::unique_ptr<CFileDialog> dialog(new CFileDialog(
            FALSE, nullptr, nullptr, OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, nullptr,
            nullptr));
        dialog->m_ofn.lpstrFilter = kJobFilter;
        std::strcpy(dialog->m_szFileName, "*.job");
        dialog->m_ofn.hInstance = moduleHandle;
        const bool chosen = dialog->DoModal() == IDOK;
        if (chosen)
            job = dialog->GetPathName();
        dialog.reset();
        if (!chosen) {
            walk.stopRecord.reason = CmxStop::cancelled;
            walk.ReleaseDrawing();
            walk.FreeMem();
            return 0;
        }
    }
    walk.InterpretBody(CmxWalk::LoadOrder::thumbnailLast, bodyLength);
    walk.FreeMem();
    walk.SetDrawingFrame();
    // The conversion leaves no drawing behind, also when the job file cannot be written.
    try {
        drawing->CreateJobFile(job);
    } catch (...) {
        walk.ReleaseDrawing();
        throw;
    }
    walk.ReleaseDrawing();
    return 1;
}
