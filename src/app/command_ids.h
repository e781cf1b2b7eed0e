#pragma once

// The identifiers of the program's commands, shared by the menus, the
// toolbar, the keys and the entry list panel's context menu.
namespace CommandId {
inline constexpr int kAddFiles = 32771;
inline constexpr int kAddWebSite = 32772;
inline constexpr int kDeleteEntry = 32787;
inline constexpr int kProperties = 32789;
inline constexpr int kAddSearchProject = 32790;
inline constexpr int kStopDownloading = 32792;
inline constexpr int kSendToRequestedFiles = 32796;
inline constexpr int kSendToRequestedSites = 32797;
inline constexpr int kSelectedProjects = 32798;
inline constexpr int kDeleteAllLists = 32807;
inline constexpr int kTableOfContents = 32808;
inline constexpr int kOptions = 32809;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
}  // namespace CommandId
