#pragma once
// The folder for the running window's lock and socket, and how another program reaches the
// window through that socket. Only this user may enter the folder: $XDG_RUNTIME_DIR when it is
// the user's own and nobody else may write to it, else <cache>/corvane-keyboard/run, created 0700.
// A name shared in /tmp would let another user block the program or pose as its window.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The name of the window's lock file and socket (with ".lock" / ".socket").
inline constexpr char kInstanceName[] = "corvane-keyboard";

// Requests on the window's socket, one line each; the window answers "ok\n".
inline constexpr std::string_view kShowRequest = "show\n";
inline constexpr std::string_view kRereadRequest = "reread\n";
inline constexpr std::string_view kRequestReply = "ok\n";

// Created when needed; nothing (with the reason in *problem) when no folder private to this user
// can be had.
std::optional<std::filesystem::path> PrivateRuntimeFolder(std::string* problem = nullptr);

std::filesystem::path InstanceSocketPath(const std::filesystem::path& folder,
                                         std::string_view name = kInstanceName);

// Sends a request to the running window (tests name their own) and waits at most `timeoutMs` for
// its answer. False when no window runs (nothing listens) or it did not answer.
bool TellRunningWindow(std::string_view request, std::string_view name = kInstanceName, int timeoutMs = 1000);

} // namespace corvane
