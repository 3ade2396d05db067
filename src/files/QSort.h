#pragma once
#include <string>
#include <vector>

// The small sorting class of auto-save: quicksort of a range of texts in place, with the first
// element of each range as the pivot. Texts compare by their byte values (binary comparison).
class QSort {
  public:
    // Sorts list[lef] .. list[rig] ascending; nothing when lef >= rig.
    static void upQuickSort(std::vector<std::string>& list, int lef, int rig);
    // The same, descending.
    static void downQuickSort(std::vector<std::string>& list, int lef, int rig);
};
