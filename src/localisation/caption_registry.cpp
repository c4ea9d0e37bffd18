#include "localisation/caption_registry.h"

namespace qx {

namespace {

std::unique_ptr<CaptionRegistryList> registry;

void Register(const ClassInfo& controlClass, const char* path, std::uint8_t kindCode) {
    if (!registry) registry = std::make_unique<CaptionRegistryList>();
    TMLCaptionRegInfo& info = registry->Add();
    info.ControlClass = &controlClass;
    info.PropertyPath = path;
    info.KindCode = kindCode;
}

}  // namespace

TMLCaptionRegInfo& CaptionRegistryList::Add() { return items_.emplace_back(); }

CaptionRegistryList* CaptionRegistry() { return registry.get(); }

void RegisterCaptionInfos() {
    using namespace classes;
    Register(TLabel, "caption", 11);
    Register(TMemo, "lines.text", 14);
    Register(TDBGridEh, "columns.items.title.caption", 5);
    Register(TDBGrid, "columns.items.title.caption", 8);
    Register(TButton, "caption", 0);
    Register(TEdit, "text", 9);
    Register(TCheckBox, "caption", 1);
    Register(TRadioButton, "caption", 17);
    Register(TListBox, "items.text", 12);
    Register(TComboBox, "items.text", 3);
    Register(TGroupBox, "caption", 10);
    Register(TPanel, "caption", 16);
    Register(TSpeedButton, "caption", 19);
    Register(TCheckListBox, "items.text", 2);
    Register(TStaticText, "caption", 20);
    Register(TTabControl, "tabs.text", 21);
    Register(TTabSheet, "caption", 22);
    Register(TStatusBar, "simpletext", 18);
    Register(TStatusBar, "panels.items.text", 4);
    Register(TListView, "columns.items.caption", 13);
    Register(TMenuItem, "caption", 15);
    Register(TfcLabel, "caption", 24);
    Register(TRadioGroup, "caption", 25);
    Register(TRadioGroup, "items.text", 26);
    Register(TDBGridEh, "columns.items.footer.value", 6);
    Register(TDBGridEh, "columns.items.footers.items.value", 7);
    Register(TfcShapeBtn, "caption", 27);
}

void FreeCaptionRegistry() { registry.reset(); }

}  // namespace qx
