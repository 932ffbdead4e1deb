#pragma once

#include <functional>

/// Runs work over an image's lines in bands, on the calling thread and one
/// more thread per further core, and returns once every band is done.
///
/// The helper threads start and end with the call: everything a band wrote
/// is seen by the caller afterwards, through thread creation and join, which
/// the thread sanitizer sees too (Qt's pool hands work over inside its own,
/// uninstrumented code). A band's work must not throw.
namespace ParallelBands {

/// Calls work(top, bottom) for the bands [top, bottom) of height lines,
/// linesPerBand each (the last may be shorter), each band exactly once.
void run(int height, int linesPerBand, const std::function<void(int top, int bottom)> &work);

} // namespace ParallelBands
