#include "core/playlistname.h"

#include "core/filenames.h"
#include "core/globals.h"
#include "platform/prompt.h"

bool AcceptNewPlaylistName(const QString& name)
{
    const QString title = QStringLiteral("Quillory");
    if (checkinvalid(name) == 1) {
        MsgBox(QStringLiteral("You Cannot Use the Characters  \\ = /: * ? \" < > | In A PlayList Name\n"
                              "Or Name Must Be Less Than 250 Characters Long.\nEnter A New Name."),
               Mb::OKOnly, title);
        return false;
    }
    bool taken = false;
    if (Playlists)
        for (const auto& e : *Playlists)
            if (e->PlaylistName().compare(name, Qt::CaseInsensitive) == 0) {
                taken = true;
                break;
            }
    if (taken) {
        MsgBox(QStringLiteral("This Play List Name Already Exists, Enter A New Name"), Mb::OKOnly | Mb::Exclamation,
               title);
        return false;
    }
    return true;
}
