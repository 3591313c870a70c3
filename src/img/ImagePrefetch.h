#pragma once

#include "gr/ImageSource.h"
#include "lang/String.h"

#include <memory>
#include <string>
#include <vector>

namespace img {

/// Images decoded on a thread of their own while the process does something else: at
/// start-up, the game's first images while the window and the GL context are made, which
/// keeps the main thread busy in the driver and leaves the second core idle.
///
/// One prefetch runs per process. The files are read as ImageFile reads them, through the
/// installed bundle, which must not change until finish(). A file the thread can't decode is
/// left to open(), which reports it the ordinary way when the game asks for it.
class ImagePrefetch
{
public:
    /// Starts decoding the files, in order. A prefetch still running is finished first.
    static void start(std::vector<std::string> fileNames);
    /// The opener for a gr::Context: the decoded image when fileName is one being prefetched
    /// (waiting for its turn when the thread hasn't reached it yet; each is handed out once),
    /// else ImageFile::open(fileName).
    static std::unique_ptr<gr::ImageSource> open(const lang::String& fileName);
    /// Waits until the thread has been through every file, keeping what it decoded (for
    /// tests and measurements: the game never needs to).
    static void waitForThread();
    /// Waits for the thread and drops what nobody asked for, logging "Preloaded image NAME
    /// was not loaded during the start-up" for each, so that a stale preload list shows.
    static void finish();
};

} // namespace img
