#ifndef RYVKIT_FORMATS_MOTION_TRC_KREADERTRC_H
#define RYVKIT_FORMATS_MOTION_TRC_KREADERTRC_H

#include "formats/motion/KReaderOptical.h"

// Reads a TRC file (KTrcFile) as optical markers (KReaderOptical). Its read options set options
// 3, 4 and 6 to 1; when a time-code file lies beside the file (KTrcTimeCode), the options'
// question callback is asked ("Time Code File", "Load <name>?", "Yes", "No") and on "Yes" the
// start becomes its time code; an invalid or unreadable one is reported through the same
// callback with the button "Ok" and changes nothing.
//
// GetReadOptions asks through the set it has just made, whose question callback is still the
// default (answering 0, so nothing is loaded). A caller that answers questions installs its
// callback on the set and calls AskReadQuestions (or LoadTimeCode) with it.
class KReaderTrc : public KReaderOptical
{
public:
    static constexpr int kOptionMarkerFile = 3;

    explicit KReaderTrc(KRyvObjectFactory* pOwner);

    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

    // The time-code step of the read options, on ioOptions' question callback; nothing happens
    // when no file is open or no time-code file lies beside it.
    void LoadTimeCode(KStreamOptionsMotion& ioOptions);
    // LoadTimeCode, on a TRC option set.
    void AskReadQuestions(KStreamOptions& ioOptions) override;

protected:
    std::unique_ptr<KOpticalMarkerFile> CreateFile(std::unique_ptr<KByteSource> pSource) override;
    void SetReadDefaults(KStreamOptionsMotion& ioOptions) override;
};

#endif
