#pragma once

#include <QString>
#include <vector>

namespace browser {

// How the entries are shown; the values are those kept since the first version.
enum class ViewMode : quint8 { Grid = 0, List = 1 };
// The order of the entries: creation date, modification date, size (all ascending).
enum class SortOption : quint8 { Time = 0, Date = 1, Size = 2 };

// One entry of the More menu as the view shows it: the controller rebuilds the list after every
// change of view mode, sort option or selection mode, so the check marks follow the state.
struct MenuEntry {
    enum class Action { Select, Grid, List, SortBy, Sort, Settings };
    Action action;
    QString title;
    QString icon;                             // a picture name of the common bundle; empty: no icon
    bool checked = false;                     // shows a check mark
    SortOption sortOption = SortOption::Time; // the option of a Sort entry
    std::vector<MenuEntry> children;          // the entries of the SortBy sub-menu
};

// The bars and floating controls around the entries, as plain data the view renders.
struct BarState {
    enum class LeftItem { Back, SelectAll, DeselectAll };
    enum class RightItem { More, Cancel };

    QString title;
    LeftItem leftItem = LeftItem::Back;
    bool backVisible = false; // the Back item: hidden at the document folder
    RightItem rightItem = RightItem::More;
    bool addButtonVisible = true;
    bool selectionBarVisible = false;
    bool deleteSelectedEnabled = false;
    bool tabBarVisible = true;
    bool emptyStateVisible = false;
    int emptyStateOffset = 105;

    friend bool operator==(const BarState &, const BarState &) = default;
};

} // namespace browser
