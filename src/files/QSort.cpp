#include "files/QSort.h"

#include <utility>

namespace {

// One partition step around the element lef: afterwards the pivot is at the returned index,
// with the elements before it not after it in the order and those behind it not before it.
// before(a, b) is the strict order the sort produces.
template <class Before>
int partition(std::vector<std::string>& list, int lef, int rig, Before before) {
    const std::string& pivot = list[static_cast<size_t>(lef)];
    int i = lef + 1;
    int j = rig;
    while (i <= j) {
        while (i <= j && !before(pivot, list[static_cast<size_t>(i)])) {
            ++i;
        }
        while (i <= j && !before(list[static_cast<size_t>(j)], pivot)) {
            --j;
        }
        if (i >= j) {
            break;
        }
        std::swap(list[static_cast<size_t>(i)], list[static_cast<size_t>(j)]);
        ++i;
        --j;
    }
    std::swap(list[static_cast<size_t>(lef)], list[static_cast<size_t>(j)]);
    return j;
}

// The two parts of each step are disjoint, so sorting the smaller one first and the larger
// one in the loop gives the same result as the left-then-right recursion while the depth
// stays logarithmic (a sorted listing would otherwise recurse once per name).
template <class Before>
void quickSort(std::vector<std::string>& list, int lef, int rig, Before before) {
    while (lef < rig) {
        const int j = partition(list, lef, rig, before);
        if (j - lef < rig - j) {
            quickSort(list, lef, j - 1, before);
            lef = j + 1;
        } else {
            quickSort(list, j + 1, rig, before);
            rig = j - 1;
        }
    }
}

}  // namespace

void QSort::upQuickSort(std::vector<std::string>& list, int lef, int rig) {
    quickSort(list, lef, rig, [](const std::string& a, const std::string& b) { return a < b; });
}

void QSort::downQuickSort(std::vector<std::string>& list, int lef, int rig) {
    quickSort(list, lef, rig, [](const std::string& a, const std::string& b) { return b < a; });
}
