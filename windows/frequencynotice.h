#pragma once
// The one line a following window shows while the panel's frequency field
// holds another valid frequency than the one its numbers are for; empty
// when the field holds the same frequency or none.

#include <QString>

QString FrequencyNotice(double shownMHz, const QString& fieldText);
