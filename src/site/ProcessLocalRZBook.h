#pragma once
// Puts the site books installed with the application on the shelf at first
// run, owned by no user yet (BookTB::BundledBookUserId), so that the first
// user who opens or downloads one takes it over. The bundle is read-only: the
// import records in a setting that it ran instead of removing resources.
#include "platform/core/Value.h"

namespace pw {

class ProcessLocalRZBook {
public:
    // The setting that says the import has run ("1").
    static constexpr const char* kDoneSettingKey = "k_BundledBooksImported";

    // Starts doWork on a detached thread and returns at once.
    static void process();
    // The import; true when the list resource was read (and the import recorded).
    static bool doWork();
    // Imports one chapter-list record; true when the book is on the shelf.
    static bool parseChapterList(const core::Value& record);
    // Posts the shelf reload.
    static void postNotification();
};

} // namespace pw
