#include <string>
#include <unordered_map>
#include <vector>

#include "platform/CaseFold.h"
#include "lists/ListFiles.h"

namespace qv::ListFiles {

void RemoveDuplicates(ListBox& list)
{
    const int count = list.count();
    if (count <= 0)
        return;

    std::vector<std::string> survivors;
    survivors.reserve(static_cast<std::size_t>(count));
    std::unordered_map<std::string, int> firstOfKind;
    firstOfKind.reserve(static_cast<std::size_t>(count));
    int lastKind = -1;
    for (int i = 0; i < count; ++i) {
        std::string text = list.item(i);
        const auto [it, isNew]
            = firstOfKind.try_emplace(foldCaseLatin1(text), static_cast<int>(survivors.size()));
        if (isNew)
            survivors.push_back(std::move(text));
        lastKind = it->second;
    }

    // Rebuilding is linear; removing entries one by one from the middle would not be.
    if (static_cast<int>(survivors.size()) != count) {
        list.clear();
        for (const std::string& text : survivors)
            list.addItem(text);
    }
    list.setSelectedIndex(lastKind);
}

} // namespace qv::ListFiles
