#pragma once

class ImageAndTextCell;
class QTreeView;
class ResultsTreeModel;

// What the review and fix pages' outlines share: how they are set up over a
// results tree, and how they expand, collapse and span their group rows.
class OutlineViewSupport final {
public:
    // Read-only rows of even height (a long list lays out at once), the name
    // column stretched and drawn by `cell`, the size column fitted to its text.
    static void setUp(QTreeView& view, ResultsTreeModel& model, ImageAndTextCell& cell);
    // The item of the first row with everything below it.
    static void expandAll(QTreeView& view);
    static void collapseAll(QTreeView& view);
    // Group rows carry their name across the whole width.
    static void spanGroupRows(QTreeView& view);
};
