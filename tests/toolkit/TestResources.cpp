// The resources the toolkit's and the editor's tests link in place of the
// library's: strips 48 (number 120) and 80 (number 121) pixels wide.
#include "TestImages.h"
#include "platform/Resources.h"

std::span<const platform::Resource> platform::resourceTable()
{
    static const auto narrow = stripPng(48), wide = stripPng(80);
    static const platform::Resource table[] = {{"PNG", 120, narrow.data(), narrow.size()},
                                               {"PNG", 121, wide.data(), wide.size()}};
    return table;
}
