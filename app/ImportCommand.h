#pragma once
// "zelvan --import FILE...": adds trust files (CSCA certificates, master
// lists, LDIF files, CRLs) to the user's trust store folder from the command
// line, without opening the window.

#include <optional>
#include <ostream>
#include <span>
#include <string>

// Runs the import when arguments (the program name left out) start with
// "--import": one line per file on out, and the exit status (0 when every
// file was imported, 1 when one was not, 2 when no file was named). Nothing
// when the arguments ask for something else.
std::optional<int> RunImportCommand(std::span<const std::string> arguments, std::ostream& out);
