#pragma once

// The site chapter list's sections: chapters grouped by volume, volumes in
// ascending code order, and the row of the chapter to mark. Built whole off the
// main thread and handed over in one piece.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pw {

struct VolumeRecord {
    std::string vcode;
    std::string vname;
    friend bool operator==(const VolumeRecord&, const VolumeRecord&) = default;
};

struct ChapterListEntry {
    int64_t cid = 0;
    std::string cname;
    int vc = 0; // the chapter's volume code
    bool vip = false;
    bool down = false;
    int64_t price = 0;
    int64_t t = 0; // update time, milliseconds since 1970
    int64_t words = 0;
};

struct ChapterGroups {
    std::vector<VolumeRecord> arrVolume;
    std::map<int, std::vector<ChapterListEntry>> dictData;
    int scrollToSection = -1;
    int scrollToRow = -1;
    // The chapters of a section, empty for a section without any.
    const std::vector<ChapterListEntry>& section(size_t index) const;
};

// A volume code as the list reads it: a 64-bit number narrowed to int; text
// that is no number reads as 0.
int volumeCodeOf(const std::string& vcode);

ChapterGroups archiveChapters(const std::vector<ChapterListEntry>& chapters, const std::vector<VolumeRecord>& volumes,
                              int64_t markChapterId);

} // namespace pw
