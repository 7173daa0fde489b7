#pragma once
#include "ui/catalogue/CategoryTreeWindow.h"

namespace veltod {

// The week news by category: a tree of the categories that hold entries in
// the week list of its licence kind; a category opens its entries in the
// file list.
class TFormCategorias : public TCategoryTreeWindow {
    Q_OBJECT
public:
    TFormCategorias();

    // Fills TreeView1 from the category list and the week list.
    void VolcarTreeConArray() override;

protected:
    ListAction Choose(int32_t code) override { return week_.Choose(code); }
    const SharedTable& ChosenEntries() const override { return week_.Chosen(); }

private:
    WeekNewsBrowser week_;
};

}  // namespace veltod
