// Where a headless program's settings come from: the command line, an INI
// file, and files holding a secret.
//
// How it works
// - Every option of the table takes one value ("--name VALUE"); --help and
//   --version are added to the table and handled here (printed on stdout).
// - An INI file gives the same names as keys, in the file's first, unnamed
//   section or under [General]; a key in another section is returned with
//   its section ("section/key"), so the caller can refuse it. Each line is
//   "key = value", a comment (# or ;), a [section] header or blank; a value
//   is kept as written, less the spaces around it (no quotes, no lists).
//   Lines end in "\n" or "\r\n"; any other control character but a tab
//   makes the file no text.
// - Every failure comes back as one line of text naming what is wrong.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ConfigOption {
    const char *name;      // option and key name, "broker"
    const char *valueName; // shown in the help, "URL"
    const char *help;      // one line
};

using ConfigValues = std::vector<std::pair<std::string, std::string>>;

// Parses argv against options[0..count-1]. Returns 0 with the values given
// (in order), 1 when --help or --version was printed, 2 with a line in error.
int ParseCommandOptions(int argc, char **argv, const char *about, const char *version,
                        const ConfigOption *options, int count, ConfigValues *values,
                        std::string *error);

// Reads every key of an INI file, with the number of the line of each.
// Returns 1, or 0 with a line in error naming the file and the line: the file
// is missing or unreadable, not UTF-8 text, has a line of none of the forms
// above, or gives a key twice.
int ReadIniKeys(const char *path, ConfigValues *values, std::vector<int> *lines,
                std::string *error);

// 1 when path is a folder this process may create files in, else 0.
int FolderIsWritable(const char *path);

// Reads a file that only its owner may read (a password file). Returns 1
// with the text less its trailing line end, or 0 with a line in error: the
// file is missing or unreadable, its group or others may read it, or it is
// over 64 KiB.
int ReadOwnerOnlyFile(const char *path, std::string *text, std::string *error);

// 1 when path is a file this process can read, else 0.
int FileIsReadable(const char *path);

// The name of this machine, "" when unknown.
std::string MachineName(void);
