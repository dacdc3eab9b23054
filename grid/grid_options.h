// The option sets of the data grid, shared by every grid unit and by the
// drawing style that reads them to decide highlights.
#pragma once

#include "platform/base/sets.h"

enum TDBGridOption {
  dgEditing,
  dgAlwaysShowEditor,
  dgTitles,
  dgIndicator,
  dgColumnResize,
  dgColLines,
  dgRowLines,
  dgTabs,
  dgRowSelect,
  dgAlwaysShowSelection,
  dgConfirmDelete,
  dgCancelOnExit,
  dgMultiSelect
};
using TDBGridOptions = TSet<TDBGridOption>;

// Bit order is the stream order: the default set below streams as 65633.
enum TDBGridEhOption {
  dghFixed3D,
  dghFrozen3D,
  dghFooter3D,
  dghData3D,
  dghResizeWholeRightPart,
  dghHighlightFocus,
  dghClearSelection,
  dghFitRowHeightToText,
  dghAutoSortMarking,
  dghMultiSortMarking,
  dghEnterAsTab,
  dghTraceColSizing,
  dghIncSearch,
  dghPreferIncSearch,
  dghRowHighlight,
  dghDblClickOptimizeColWidth,
  dghDialogFind,
  dghOptimizeWidthByData,
  dgSelectedFrozenCols,
  dghRecordMoving
};
using TDBGridEhOptions = TSet<TDBGridEhOption>;

inline constexpr TDBGridOptions kDefaultDBGridOptions{
    dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
    dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};
inline constexpr TDBGridEhOptions kDefaultDBGridEhOptions{dghFixed3D, dghHighlightFocus,
                                                          dghClearSelection, dghDialogFind};

// Where a grid cell lies (the grid's cell classification): the column part
// and the row part.
enum TCellColPartEh { ccpIndicatorEh, ccpDataEh };
enum TCellRowPartEh { crpTitleEh, crpSubTitleEh, crpDataEh, crpFooterFillerEh, crpFooterEh };
