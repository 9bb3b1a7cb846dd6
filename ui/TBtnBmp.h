// The bitmap button: a push button showing a bitmap resource (or a bitmap
// file), with an optional tool tip and caption.
#pragma once

#include "ui/TButton.h"

namespace drav::ui {

struct TBtnBmpArgs {
    QString bitmapFile{};  // used when the resource name is empty
    Condition when{};
    QString toolTip{};
    QString caption{};
    bool border = true;
    bool captionRight = false;  // "RIGHT": the caption right of the bitmap
};

class TBtnBmp : public TButton {
    Q_OBJECT
public:
    TBtnBmp(int id, const QString& bitmapName, Action action, TContainer& form,
            TBtnBmpArgs args = {}, std::source_location where = std::source_location::current());

    QString cBitmap;
};

}  // namespace drav::ui
