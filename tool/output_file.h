#pragma once
/// Putting one output file in place: whole, or not at all.
///
/// The bytes go to a new temporary file beside the output, named
/// ".NAME.d88cut-XXXXXX" and created exclusively, so that no existing file is
/// opened and no link is followed. Only when it was written and closed
/// without error does it take the output's name. Whatever stood there (an
/// earlier file, a link, a FIFO) is then replaced, never written through; on
/// any failure the temporary file is removed and what stood there stays as
/// it was. The image being cut is never replaced, whatever name it has.

#include "platform.h"

/// Puts `length` bytes in place as the file `name` in `folder` (the current
/// folder when it is empty or null). On failure, says on standard error what
/// stopped it, one line that begins with `name`, and returns false:
///   NAME: is the image being cut; not replaced
///   NAME: cannot create: REASON    (the temporary file, or what stands at NAME)
///   NAME: cannot write: REASON
///   NAME: cannot replace: REASON   (the earlier file could not be moved aside)
bool placeFile(const char* folder, const char* name, const unsigned char* bytes, int length,
               const FileId& image);

/// Has a run ended by a signal (an interrupt, a closed pipe, a file-size
/// limit) remove the temporary file it was writing before it ends. On
/// Windows the system removes it, with nothing to install.
void removeTemporaryOnSignal();
