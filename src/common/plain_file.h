// Opening files that someone else may have put in place.
//
// The error message file, the error lock file and a response file are found
// by name in directories other users may be able to write in.  A symbolic
// link planted there would make a run write wherever the link points, a FIFO
// would stop it for good on its open or its first read, a device would be
// read forever.  So these files are opened without waiting and used only when
// they are regular files; anything else counts as a file that cannot be
// opened.
#pragma once

#include <cstdio>

// Whether a symbolic link as the last part of the name is followed.
enum class Links { Refuse, Follow };

// Opens name like fopen with mode "r", "w+" or "a+" (files are created with
// mode 0666 less the umask), without blocking, and returns the stream only
// when it is a regular file; null otherwise, and then nothing was created,
// truncated or written.  With Links::Refuse a symbolic link is refused.  A
// file opened for writing must also have no other name (a hard link planted
// to another file is refused before it is truncated).
FILE* OpenPlainFile(const char* name, const char* mode, Links links);
