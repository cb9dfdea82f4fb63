// The folder scans that fill the file list, the folder refresh that runs them, and the
// handler of files dropped onto the front end.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "engine/host.h"

namespace tunaro::engine {

// Appends the folder's files whose names end in the current extension, letter case ignored
// (an empty extension lists every file). `folder` ends with "/". Only regular files (and
// links to them) become entries.
void FlatScan(TEngineHost& host, const std::string& folder);

// Appends the files of the folder and all its subfolders, depth first in the order of the
// names, that the flat scan would list. A link to a folder is not entered, wherever it
// points (as find does not follow it), and a folder reached twice (a bind mount) is scanned
// once. Once a folder takes longer than `coldFolder` to
// read (the tree is not in the cache), `readAheadThreads` list the folders ahead of the
// scan, so that the rest of the tree is read from the disk many folders at a time.
void RecursiveScan(TEngineHost& host, const std::string& folder, unsigned readAheadThreads = 8,
                   std::chrono::microseconds coldFolder = std::chrono::microseconds{250});

// Rebuilds the list from the folder (the tree's path; empty when nothing is selected).
void FolderRefresh(TEngineHost& host, const std::string& treePath);

// Replaces the list with the dropped paths, unchecked, kept whole.
void DropFiles(TEngineHost& host, const std::vector<std::string>& paths);

}  // namespace tunaro::engine
