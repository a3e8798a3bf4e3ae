#pragma once
// Placeholder until the catalogue classes land.
class colMp3 {};
class colPlaylist {};
class colCD {};
class colCategory {};
