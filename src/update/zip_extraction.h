// Extracting a zip archive that an update brought into a folder the user chose.
#pragma once

#include "core/bounded_text.h"
#include "core/text_coding.h"

namespace kestrane {

class WorkerRun;

// Writes every entry of the archive below `folder` (which ends in a backslash), shows the list
// of files written, and gives back the archive's comment ("" when it has none) or one of the
// error texts "Could Not Open Zip", "Could Not Find Files In Zip", "Error Extracting File".
// Runs on the update worker's thread: it uses only the ports, never the plug-in table. Once
// Kestrane shuts down it writes no further entry and shows nothing. Entries' names are decoded
// (zip_entry_name.h) and each written exactly, through the file functions' UTF-8 paths where a
// name holds more than ASCII.
Path ExtractZipArchive(WorkerRun &run, FilePath archive, const char *folder);
// The same into a folder of Kestrane's own, without the list: true when every entry was
// written; `result` gives the comment or the error text.
bool ExtractZipArchiveQuietly(WorkerRun &run, FilePath archive, const char *folder,
                              Path &result);

}  // namespace kestrane
