// The seam through which tests answer dialogs in place of a user.
//
// How it works: while an entry is set, the dialog of that kind is not shown;
// the function is asked instead, and a result of -1 lets the dialog show
// after all. The program never sets an entry; the test-support library does.
#pragma once

#include <string>

struct DialogSeam {
    int (*fileSelect)(std::string *path); // 1 chose *path (from the start folder), 0 Cancel
    int (*note)(std::string *note);       // 1 with *note, 0 Cancel
    int (*confirm)(const char *question); // 1 Yes, 0 No
};
extern DialogSeam dialogSeam; // all null in the program
