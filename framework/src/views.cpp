#include "vesk_records.h"

namespace {

// A null pointer in a host record reads as empty text.
vesk_string textOf(const char* text) { return vesk_string(text ? text : vesk_empty_text); }

} // namespace

vesk_string RevertiveEvent::contentText() const
{
    return vesk_string(reinterpret_cast<const char*>(record) + offsetof(RevertiveEventRecord, contentText));
}

vesk_string ControlEvent::panelId() const { return textOf(record->panelId); }

vesk_string ControlEvent::controlId() const { return textOf(record->controlId); }

vesk_string ControlEvent::eventName() const { return textOf(record->event ? record->event->name : 0); }

vesk_string ControlEvent::eventValue() const { return textOf(record->event ? record->event->value : 0); }

vesk_string ParentQuery::queryName() const { return textOf(record->name); }

vesk_string ParentQuery::queryValue() const { return textOf(record->value); }
