#include "install/archive/history_window.h"

#include <cstdlib>

#include "install/archive/archive_seam.h"
#include "install/archive/entry_decoder.h"
#include "install/script/transfer_sizes.h"

uint8_t* historyWindow = nullptr;

bool TakeHistoryWindow()
{
    // A few spare bytes keep word-sized copies near the end inside the block.
    historyWindow = static_cast<uint8_t*>(calloc(HISTORY_WINDOW_SIZE + 16, 1));
    if (historyWindow == nullptr) {
        SetMemoryError();
        return false;
    }
    return true;
}

void ReleaseHistoryWindow()
{
    free(historyWindow);
    historyWindow = nullptr;
}

bool PumpOrTerminate()
{
    if (RunPendingMessagesWhenDue())
        return true;
    SetTerminated();
    return false;
}

bool WriteWindowPart(const DecodeTarget& t, int count)
{
    int piece = decoderWritePieceSize > 0 ? decoderWritePieceSize : 1;
    for (int done = 0; done < count; done += piece) {
        int n = count - done < piece ? count - done : piece;
        if (!PumpOrTerminate())
            return false;
        if (!WriteOutputBlock(t.output, historyWindow + done, n)) {
            SetWriteError(t.outputName);
            return false;
        }
    }
    return true;
}

bool FlushWindow(const DecodeTarget& t)
{
    if (!PumpOrTerminate())
        return false;
    if (!WriteWindowPart(t, HISTORY_WINDOW_SIZE))
        return false;
    ReportArchiveProgress(t.archive, false);
    return true;
}
