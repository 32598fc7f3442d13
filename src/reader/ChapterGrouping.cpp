#include "reader/ChapterGrouping.h"

#include <algorithm>
#include <charconv>

namespace pw {

const std::vector<ChapterListEntry>& ChapterGroups::section(size_t index) const {
    static const std::vector<ChapterListEntry> none;
    if (index >= arrVolume.size())
        return none;
    auto it = dictData.find(volumeCodeOf(arrVolume[index].vcode));
    return it == dictData.end() ? none : it->second;
}

int volumeCodeOf(const std::string& vcode) {
    int64_t v = 0;
    const char* begin = vcode.data();
    while (begin != vcode.data() + vcode.size() && *begin == ' ')
        ++begin;
    std::from_chars(begin, vcode.data() + vcode.size(), v);
    return static_cast<int>(v);
}

ChapterGroups archiveChapters(const std::vector<ChapterListEntry>& chapters, const std::vector<VolumeRecord>& volumes,
                              int64_t markChapterId) {
    ChapterGroups g;
    if (volumes.empty()) {
        g.arrVolume.push_back({"-1", "全部"});
        auto& all = g.dictData[-1];
        for (const auto& c : chapters) {
            if (markChapterId != 0 && c.cid == markChapterId && g.scrollToRow < 0) {
                g.scrollToSection = 0;
                g.scrollToRow = static_cast<int>(all.size());
            }
            all.push_back(c);
        }
        return g;
    }
    g.arrVolume = volumes;
    for (const auto& v : volumes)
        g.dictData[volumeCodeOf(v.vcode)];
    for (const auto& c : chapters) {
        auto it = g.dictData.find(c.vc);
        if (it == g.dictData.end()) {
            const std::string code = std::to_string(c.vc);
            g.arrVolume.push_back({code, "分卷 " + code});
            it = g.dictData.emplace(c.vc, std::vector<ChapterListEntry>{}).first;
        }
        it->second.push_back(c);
    }
    std::stable_sort(g.arrVolume.begin(), g.arrVolume.end(), [](const VolumeRecord& a, const VolumeRecord& b) {
        return volumeCodeOf(a.vcode) < volumeCodeOf(b.vcode);
    });
    if (markChapterId == 0)
        return g;
    for (size_t s = 0; s < g.arrVolume.size(); ++s) {
        const auto& rows = g.section(s);
        for (size_t r = 0; r < rows.size(); ++r)
            if (rows[r].cid == markChapterId) {
                g.scrollToSection = static_cast<int>(s);
                g.scrollToRow = static_cast<int>(r);
                return g;
            }
    }
    return g;
}

} // namespace pw
