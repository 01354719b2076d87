// Printing of the list: placeholder until the page layout exists.
#include "capture/OrlixView.h"

void COrlixView::OnFilePrint(bool /*withDialog*/) {}
void COrlixView::OnFilePrintPreview() {}
