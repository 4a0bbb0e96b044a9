// The last account registered through the launcher, with its password, kept
// in "login/lastlogininfo.info" of the data folder so that the login window
// opens with both fields filled in.
//
// Stored form (CR LF after lines 1 to 3, nothing after line 4):
//   1  account:  hex of the Base64 text of the account's bytes plus one zero byte
//   2  password: the same encoding
//   3  mark, a signed decimal integer (always 2)
//   4  flag, a signed decimal integer (always 0)
// This is an encoding, not a protection, so the file is made readable by its
// owner only.
#pragma once

#include <string>

struct RememberedAccount {
  bool found = false;  // the file could be opened and held a usable record
  std::string account;
  std::string password;
  int mark = 0;
  int flag = 0;
};

// Creates the folders, replaces the file with the four lines. False when the
// file cannot be opened (nothing is written) or the lines cannot be written.
bool SaveRememberedAccount(const std::string& account, const std::string& password, int mark, int flag);

// Creates the folders and reads the file. found is false, and the rest empty
// and 0, when the file cannot be opened or a stored word is too long for the
// record (a longer line is not a record this program wrote).
RememberedAccount LoadRememberedAccount();

// The stored form of one text (line 1 or 2 without its line end).
std::string EncodeRememberedText(const std::string& text);
// One stored word back to its text: hex, then Base64, up to the first zero byte.
std::string DecodeRememberedText(const std::string& word);
