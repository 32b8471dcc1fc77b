#pragma once

#include <QIcon>
#include <QMenu>
#include <QString>
#include <initializer_list>

// One entry of a gadget's menu: its picture, its text and the slot it runs.
template <typename Receiver>
struct MenuEntry
{
    const char* icon;
    const char* text;
    void (Receiver::*slot)();
};

// Appends the entries to `menu`, each running its slot on `receiver`.
template <typename Receiver>
void addEntries(QMenu* menu, Receiver* receiver, std::initializer_list<MenuEntry<Receiver>> entries)
{
    for (const MenuEntry<Receiver>& entry : entries)
        menu->addAction(QIcon(QLatin1String(entry.icon)), QString::fromUtf8(entry.text), receiver, entry.slot);
}
