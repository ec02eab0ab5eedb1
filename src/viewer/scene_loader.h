// Reading a VRML file into a Coin scene graph: the bytes (gzip-compressed
// .wrz files inflated here, so that no zlib is needed at run time by
// Coin), then Coin's parser with its read errors collected.
//
// Safe to call on a worker thread: parses are serialised, because Coin's
// read error handler is one for the whole process.
#pragma once

#include <Inventor/nodes/SoSeparator.h>

#include <mutex>
#include <string>

#include "viewer/coin_ref.h"

namespace vexalith::viewer {

// The file's bytes, inflated when they are gzip (or zlib) data whatever
// the file is called.  Throws std::runtime_error with a short reason when
// the file cannot be read or the compressed data are damaged.
std::string read_scene_bytes(const std::string& path);

// Inflates gzip or zlib data (several gzip members one after another are
// joined).  Throws std::runtime_error when the data are damaged.
std::string inflate_bytes(const std::string& compressed);

struct ParsedScene {
    CoinRef<SoSeparator> root;  // null on failure
    std::string error;          // Coin's messages on failure
};

// Held by a loading thread for as long as it builds (or throws away) Coin
// nodes.  Reading fields schedules sensors of those nodes in Coin's one,
// process-wide sensor queue; the GUI thread must not run that queue
// meanwhile, or it would call into nodes still being built.
std::mutex& scene_building_mutex();

// Parses VRML 2.0 (or VRML 1.0 / Open Inventor) text.  Any read error
// Coin reports makes the parse fail, even where Coin would go on.
ParsedScene parse_scene(const std::string& bytes);

}  // namespace vexalith::viewer
