#pragma once
#include "ui/catalogue/CategoryTreeWindow.h"

namespace veltod {

// The historic database: a tree of the categories that have received entries
// of its licence kind, as the last computed category marks say; a category
// opens its whole history in the file list.
class TFormBaseDatos : public TCategoryTreeWindow {
    Q_OBJECT
public:
    TFormBaseDatos();

    // Fills TreeView1 from the marks of WindowMode.
    void VolcarTreeConArray() override;

protected:
    ListAction Choose(int32_t code) override { return history_.Choose(code, WindowMode); }
    const SharedTable& ChosenEntries() const override { return history_.History(); }

private:
    HistoricBrowser history_;
};

}  // namespace veltod
