// Result codes of the script edit library's operations (script processing, file dialogs,
// reading, writing and exporting). Negative codes lie near -20000; each failure shows its
// message before it is returned, so a caller only reacts to the code.
#ifndef VTR_SCRIPTEDIT_RESULT_CODES_H_
#define VTR_SCRIPTEDIT_RESULT_CODES_H_

namespace vtr::scriptedit {

inline constexpr int kResultDone = 0;
inline constexpr int kResultCancelled = 1;   // a file dialog was cancelled
inline constexpr int kResultNotWritten = 2;  // overwrite declined, or a target is read-only
inline constexpr int kResultPlayTimeTooLong = -19985;  // message 512
inline constexpr int kResultConvertFailed = -19986;    // message 507
inline constexpr int kResultScriptTooLong = -19987;    // message 511
inline constexpr int kResultBadExtension = -19990;     // message 505
inline constexpr int kResultSentenceTooLong = -19992;  // message 503
inline constexpr int kResultSaveFailed = -19994;       // message 507
inline constexpr int kResultOpenFailed = -19995;       // message 506
inline constexpr int kResultBadScript = -19996;        // message 502
inline constexpr int kResultNoConverter = -19998;      // message 501
inline constexpr int kResultNoText = -19999;           // message 504

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_RESULT_CODES_H_
