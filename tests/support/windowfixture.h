#pragma once
// What start-up leaves behind for the program's windows, on top of AppFixture: the skin
// choice "(No Skin)" in the program folder, the application drive root, and the default
// music folder, made (the music-folder readers fall back on it).
#include <QDir>

#include "core/globals.h"
#include "fixture.h"
#include "platform/appcontext.h"

class WindowFixture : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        writeAll(programFile(QStringLiteral("Skins/skinmain.ini")), "(No Skin)\r\n 0 \r\n");
        AppDriveRoot = Ctx().appDriveRoot();
        DefaultMusicFolder = Ctx().defaultMusicFolder();
        QDir().mkpath(DefaultMusicFolder);
    }
};
