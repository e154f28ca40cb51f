#pragma once
// Standard output that passes bytes through unchanged: on Windows it would otherwise turn every
// LF into CR LF, which corrupts a binary body.

void MakeStdoutBinary();
