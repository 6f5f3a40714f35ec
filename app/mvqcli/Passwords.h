#pragma once
// Passwords that stay out of the process list: taken from environment variables or asked
// for on the terminal without echo, then written into the options as if they had been typed.
#include <optional>
#include <string>

#include "Options.h"

namespace mvq::cli {

// Reads one line from stdin with echo off, the question on stderr; nullopt when stdin is
// not a terminal.
std::optional<std::string> PromptWithoutEcho(const std::string& question);

// Fills the Oracle and SQL Server passwords from their -env and -prompt options, and
// replaces ${NAME} in the password entries (PWD=, Password=) of --source and --target with
// the variable's value. An unset variable is asked for when stdin is a terminal; otherwise
// it is a UsageError, as is a prompt without a terminal.
void ResolvePasswords(Options& o);

}  // namespace mvq::cli
