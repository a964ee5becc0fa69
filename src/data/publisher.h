#pragma once

// The publisher's imprint and contacts, shown on the help tab and used in its links. These are
// not YUSCII texts: they go to the screen and into links unmapped, so "@" stays "@".

namespace publisher {

inline constexpr const char* Imprint = "Dremvalo d.o.o.";
inline constexpr const char* PostalLine = "Bulevar oslobodjenja 17, 21000 Novi Sad, tel. +381 21 555 0190";
inline constexpr const char* WebSite = "www.dremvalo.example";
inline constexpr const char* SupportAddress = "podrska@dremvalo.example";      // shown on the panel
inline constexpr const char* RequestAddress = "propisi@dremvalo.example";      // "Tra`im propis"
inline constexpr const char* SuggestionAddress = "sugestije@dremvalo.example"; // suggestions and comments
inline constexpr const char* ConsultingAddress = "konsalting@dremvalo.example";

} // namespace publisher
