// Updating one plug-in in place from the files its update site publishes.
#pragma once

#include <string_view>

#include "core/bounded_text.h"
#include "platform/handles.h"

namespace kestrane {

class WorkerRun;
struct PublishedRelease;
struct UpdateFile;
struct UpdateKey;
struct UpdatePlan;

// Takes its slot from the busy index and gives the index back (-1) as its very last step.
void PluginUpdateWorker(WorkerRun &run);

// The steps an install from the catalogue shares with an update; each shows why it failed.
// The files of a release in `folder`, with their digests.
bool PlanReleaseFiles(WorkerRun &run, std::string_view list, std::string_view folder,
                      std::string_view sha256, UpdatePlan &plan);
// When `key` is one, the release is signed with it and not older than `ownDate`.
bool IsReleaseSigned(WorkerRun &run, const UpdateKey &key, std::string_view signature,
                     const PublishedRelease &release, const UpdatePlan &plan,
                     std::string_view ownDate);
// One file fetched to its temporary name and checked against its digest.
bool DownloadReleaseFile(WorkerRun &run, WindowHandle coreWindow, UpdateFile &file);
// What an extraction had to say: the archive's comment, or why it stopped.
void ShowExtractionMessage(WorkerRun &run, const Path &result);

}  // namespace kestrane
