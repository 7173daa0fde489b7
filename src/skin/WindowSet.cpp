#include "skin/WindowSet.h"

#include <stdexcept>

namespace veltod {
namespace {

TWindowSet* current_set = nullptr;

}  // namespace

TWindowSet::TWindowSet() {
    if (current_set) throw std::logic_error("a window set exists already");
    current_set = this;
}

TWindowSet::~TWindowSet() { current_set = nullptr; }

TFormRemember& TWindowSet::EnsureFormRemember() {
    if (!FormRemember) Create(OnDemand::FormRemember);
    return *FormRemember;
}

TTransmitForm& TWindowSet::EnsureTransmitForm() {
    if (!TransmitForm) Create(OnDemand::TransmitForm);
    return *TransmitForm;
}

TFormCategorias& TWindowSet::EnsureFormCategorias() {
    if (!FormCategorias) Create(OnDemand::FormCategorias);
    return *FormCategorias;
}

TFormTreeFiles& TWindowSet::EnsureFormTreeFiles() {
    if (!FormTreeFiles) Create(OnDemand::FormTreeFiles);
    return *FormTreeFiles;
}

TFormBaseDatos& TWindowSet::EnsureFormBaseDatos() {
    if (!FormBaseDatos) Create(OnDemand::FormBaseDatos);
    return *FormBaseDatos;
}

TFormBusqueda& TWindowSet::EnsureFormBusqueda() {
    if (!FormBusqueda) Create(OnDemand::FormBusqueda);
    return *FormBusqueda;
}

TWindowSet& Windows() {
    if (!current_set) throw std::logic_error("no window set");
    return *current_set;
}

}  // namespace veltod
