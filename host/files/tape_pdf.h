// The tape at its real size as a PDF, free of any toolkit: labels laid end to
// end as they left the device, 8 dots to the millimetre, on A4 landscape pages
// in rows between 20 mm margins, each row a strip of a caption band (the
// label's number, type, length and dots, copy and serial, clipped to the
// label), the tape's dots with its edge, and a millimetre ruler below; a
// dashed red cut line between labels. The same layout as the desktop's PDF
// export, for front ends that link no toolkit (the render service).
#pragma once
#include <string>
#include <vector>

#include "host/seam/tape_history.h"

// The page and strip in millimetres, top to bottom.
constexpr double TAPE_PDF_PAGE_WIDTH_MM = 297.0, TAPE_PDF_PAGE_HEIGHT_MM = 210.0, TAPE_PDF_MARGIN_MM = 20.0;
constexpr double TAPE_PDF_CAPTION_MM = 5.0, TAPE_PDF_RULER_MM = 7.0, TAPE_PDF_ROW_GAP_MM = 6.0;

// One line about a label: "Label 3 · Banner landscape · 42.5 mm · 340 dots · copy 2 · serial 0007"
// (UTF-8).
std::string tape_label_caption(const TapeLabel& label);

// The PDF file's bytes; empty when the labels hold no columns.
std::string tape_pdf(const std::vector<TapeLabel>& labels);
