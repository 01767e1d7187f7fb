// Method 0: the entry's data are the file. Pieces are aligned to 24,576-byte
// boundaries of the archive so that reads match the file cache's fills.
#include <cstdlib>

#include "install/archive/archive_seam.h"
#include "install/archive/arj_header.h"
#include "install/archive/decoders.h"
#include "install/archive/entry_decoder.h"
#include "install/script/transfer_sizes.h"

static bool CopyPieces(const DecodeTarget& t, uint8_t* buffer)
{
    int position = SeekCached(t.archive, 0, 1);
    if (position == -1) {
        SetReadError(t.archiveName);
        return false;
    }
    int32_t& left = EntryHeader.remainingCompressed;
    int piece = STORED_BUFFER_SIZE - position % STORED_BUFFER_SIZE;
    if (piece > left)
        piece = left;
    int part = storedWritePieceSize > 0 ? storedWritePieceSize : 1;
    while (left > 0) {
        if (ReadCached(t.archive, buffer, piece) != piece) {
            SetReadError(t.archiveName);
            return false;
        }
        left -= piece;
        for (int done = 0; done < piece; done += part) {
            int n = piece - done < part ? piece - done : part;
            if (!PumpOrTerminate())
                return false;
            if (!WriteOutputBlock(t.output, buffer + done, n)) {
                SetWriteError(t.outputName);
                return false;
            }
        }
        piece = left < STORED_BUFFER_SIZE ? left : STORED_BUFFER_SIZE;
        ReportArchiveProgress(t.archive, false);
    }
    return true;
}

bool CopyStoredData(const DecodeTarget& t)
{
    uint8_t* buffer = static_cast<uint8_t*>(malloc(STORED_BUFFER_SIZE));
    if (buffer == nullptr) {
        SetMemoryError();
        return false;
    }
    bool ok = CopyPieces(t, buffer);
    free(buffer);
    return ok;
}
