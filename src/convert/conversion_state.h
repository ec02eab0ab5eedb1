// The state of the conversions of one loaded file, shared by the window and
// the converter: which file and which structure or model of it, and what
// the next conversion is asked to do.  The commands set the requests; the
// driver (convert/draw_model.h) reads them and clears those it has met.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "structure/structure.h"

namespace vexalith {

struct ConversionState {
    std::string FileName;  // the input file chosen; empty: none
    bool FileChosen = false;
    // The text of an input that gives its bytes only once (a pipe), kept
    // from its first read for the later reads of the same file; a regular
    // file is read afresh each time.
    std::shared_ptr<const std::string> OnceReadText;
    std::string OnceReadFile;

    // Structure selection within a multi-structure file.
    int32_t StructureIndex = 0;  // 0: from the top of the file
    int32_t StructureCount = 0;  // 0: not counted yet (counted once per load)

    // Model selection within an ensemble: the models counted from 1 in the
    // order they first appear; kAllModels reads every model at once.
    int32_t ModelIndex = 1;

    // Requests for the next conversion.
    bool RedrawOnly = false;         // draw the structure in memory again, unless ...
    bool RereadRequested = false;    // ... the file must be read again all the same
    bool CompressRequested = false;  // Expand: join the fragment before drawing
    bool CrystalRequested = false;   // the crystal mode changed: read the structure and grow it again
};

}  // namespace vexalith
