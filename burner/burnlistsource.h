#pragma once
// What the catalogue window reads from the window a disc was burned from, which it finds by
// its kind (FormKind::Burner): the titles of the burn list, track 1 first.
#include <QStringList>

class BurnListSource {
public:
    virtual ~BurnListSource() = default;
    virtual QStringList BurnListTitles() const = 0;
};
