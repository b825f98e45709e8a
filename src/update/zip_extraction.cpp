#include "update/zip_extraction.h"

#include "core/manager.h"

namespace kestrane {

// Placeholder until the extraction lands: refuses every archive.
Path ExtractZipArchive(Manager &, const char *, const char *) { return Path("Could Not Open Zip"); }

}  // namespace kestrane
