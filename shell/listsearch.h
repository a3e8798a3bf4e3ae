#pragma once
// The search of the song lists (song library, burner, converters): find rows holding a few
// letters, one match at a time, asking after each whether to search on.
#include <QString>
#include <functional>

class ListView;
class ListItem;

// From row 1, each row that match() accepts is scrolled into view, made the list's current
// row and selected (in a list that allows several selected rows the others stay selected);
// the list takes the focus and the user is asked whether to search on. When the rows run
// out, the not-found message follows. Nothing happens for an empty text or an empty list.
void SearchRows(ListView* list, const QString& text,
                const std::function<bool(ListItem* row, const QString& text)>& match);

// The usual match: the title, artist or CD title column (0, 1 or 3) holds the text,
// letter case ignored.
bool TitleArtistOrAlbumHolds(ListItem* row, const QString& text);
