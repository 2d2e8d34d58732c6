// Core work called from Python: it runs with the GIL released, so that other Python threads go on,
// while the calling thread watches Python's signals, so that Ctrl-C stops it as it stops
// murelta-batch.
#pragma once

#include <functional>
#include <stop_token>

namespace murelta::python {

// Runs `work` on a thread of its own with the GIL released. Every 50 ms the calling thread takes
// the GIL back for Python to run its signal handlers; when one raises (KeyboardInterrupt on
// Ctrl-C), `work` is asked to stop through its token, and once it has returned that exception is
// raised in Python. Otherwise what `work` threw is thrown on.
void runReleased(const std::function<void(std::stop_token)>& work);

}  // namespace murelta::python
