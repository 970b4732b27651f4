#pragma once
// The stored settings of sections Network and Settings under the product key:
// their value names and what a reader takes when a value is absent. The
// program, its pages and the tools all name them through these.

// Section Network
inline constexpr wchar_t kSectionNetwork[] = L"Network";
inline constexpr wchar_t kEntrySettingInitialized[] = L"SettingInitialized";  // 1 once a first-run sheet ended with OK
inline constexpr int kDefaultSettingInitialized = 0;
inline constexpr wchar_t kEntryPassword[] = L"Password";  // stored-secret blob; absent: none
inline constexpr wchar_t kEntryPort[] = L"Port";          // the receive port
inline constexpr int kDefaultPort = 60125;
inline constexpr wchar_t kEntryServer[] = L"Server";  // the receive server's IP versions
inline constexpr int kDefaultServer = 2;
inline constexpr wchar_t kEntryRSA[] = L"RSA";
inline constexpr int kDefaultRSA = 0;
inline constexpr wchar_t kEntryPublicKey[] = L"PublicKey1280";  // "PublicKey" and the key's bits
inline constexpr wchar_t kEntryDestination[] = L"Destination";
inline constexpr wchar_t kDefaultDestination[] = L"";

// Section Settings
inline constexpr wchar_t kSectionSettings[] = L"Settings";
inline constexpr wchar_t kEntryOnStart[] = L"OnStart";
inline constexpr int kDefaultOnStart = 0;
inline constexpr wchar_t kEntryShowBalloonOnClose[] = L"ShowBalloonOnClose";
inline constexpr int kDefaultShowBalloonOnClose = 1;
inline constexpr wchar_t kEntryFormats3[] = L"Formats3";  // quoted list of format names
inline constexpr wchar_t kDefaultFormats3[] =
    L"\"HTML Format\",\"Rich Text Format\",\"XML Spreadsheet\",\"Art::GVML ClipFormat\","
    L"\"GIF\",\"JFIF\",\"PNG\"";
inline constexpr wchar_t kEntryDelay[] = L"Delay";
inline constexpr int kDefaultDelay = 1;
inline constexpr wchar_t kEntryNoDelayText[] = L"NoDelayText";  // KB of text that travels at once
inline constexpr int kDefaultNoDelayText = 4;
inline constexpr wchar_t kEntryShowFormatDialog[] = L"ShowFormatDialog";  // set by hand, never by the program
inline constexpr int kDefaultShowFormatDialog = 0;
