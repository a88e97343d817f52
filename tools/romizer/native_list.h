// The romizer's lists of natives: the binding table (natives bound in the
// direct-entry form) and the list of natives whose functions have not landed
// yet (bound to the unbound body).
//
// Format, one native a line:
//
//   # a comment line
//   java/lang/Class.isInterface()Z
//
// that is, the class name in internal form, '.', the method name and the
// method descriptor, as the class file spells them. Blank lines and lines
// whose first non-blank character is '#' are skipped; blanks around an
// entry are dropped. A line of any other shape, or an entry given twice,
// ends the romizer naming the file and the line.
#pragma once

#include <string>
#include <vector>

struct NativeListEntry {
  std::string text;  // "java/lang/Class.isInterface()Z"
  int line;
};

// The entries of the list file, in file order. A file that cannot be read
// ends the romizer.
std::vector<NativeListEntry> romizer_readNativeList(const char* path);
