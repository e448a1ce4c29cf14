// The sound player component: one sound file played through GStreamer's
// playbin, with run, pause and stop, its duration and the current position in
// 100-nanosecond units. The file is handed over as it is, whatever its
// extension: what plays is what the media framework recognises in its content.
// Plain C++ over GStreamer (no Qt); the framework plays on threads of its own,
// and everything here is called from one thread.
//
// The rule a reader would not guess: the pipeline holds the file open from a
// successful Open until Close (or the player's end), and only then may the file
// be deleted and trusted to be gone for good.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TZDSMD {
public:
    // What Open answers, one code per step of building the pipeline.
    enum TOpenResult : int {
        kOpenReady = 0,
        kOpenNoFile = 1,      // no file at FileName
        kOpenBlankName = 2,   // FileName blank
        kOpenNoPipeline = 5,  // GStreamer, playbin or the audio sink could not be had
        kOpenNotRendered = 6, // the file did not preroll: unknown content, no audio, an error or no answer in time
        kOpenNoControl = 7,   // the prerolled pipeline does not report itself paused
        kOpenNoSeeking = 8,   // the pipeline answers no position query in time format
        kOpenNoEvents = 9,    // the pipeline has no bus to report its events on
    };
    enum TState : int { kPlaying = 0, kPaused = 1, kStopped = 2, kClosed = 3 };

    // How long Open waits for the pipeline to preroll before it gives up on the file.
    static constexpr int kRenderTimeoutMs = 5000;
    // The environment variable that names the audio sink (a pipeline description
    // such as "fakesink sync=true") when none has been set with SetAudioSink.
    static constexpr const char *kAudioSinkVariable = "QUORLIN_AUDIO_SINK";
    static constexpr const char *kDefaultAudioSink = "autoaudiosink";

    TZDSMD();
    ~TZDSMD(); // releases the pipeline and the file
    TZDSMD(const TZDSMD &) = delete;
    TZDSMD &operator=(const TZDSMD &) = delete;

    const std::string &FileName() const { return m_fileName; }
    void SetFileName(const std::string &fileName) { m_fileName = fileName; }
    // When UseLog is set and LogFile is not blank, Open writes how it builds the
    // pipeline into LogFile (emptied first): the elements added, the messages of
    // the pipeline, the duration found; later messages follow until Close.
    const std::string &LogFile() const { return m_logFile; }
    void SetLogFile(const std::string &logFile) { m_logFile = logFile; }
    bool UseLog() const { return m_useLog; }
    void SetUseLog(bool useLog) { m_useLog = useLog; }

    // Closes what is open, then builds a pipeline for FileName and prerolls it
    // (stopped at the start). Any result but kOpenReady leaves the player closed.
    int Open();
    // Each acts only while opened. Play runs the pipeline (a failure stops it);
    // Pause holds it where it is; Stop holds it at the start.
    void Play();
    void Pause();
    void Stop();
    // Releases the pipeline and with it the file; the state becomes closed.
    void Close();

    bool Opened() const { return m_opened; }
    int State() const { return m_state; }
    // The media's length in 100-nanosecond units, read by Open; 0 when unknown
    // or closed. Some content tells its length only once it plays (an MP3
    // stream without a header that gives it): while unknown, asked again.
    std::int64_t Duration();
    // The current playback position in 100-nanosecond units; 0 when closed.
    std::int64_t Position();

    // The audio sink of pipelines built from now on, as a pipeline description
    // (tests use "fakesink sync=true", which plays in real time without a sound
    // card); empty: the environment variable above, else the platform's sink.
    static void SetAudioSink(const std::string &description);
    static std::string AudioSink();

private:
    struct TPipeline;

    std::string m_fileName;
    std::string m_logFile;
    bool m_useLog = false;
    bool m_opened = false;
    int m_state = kClosed;
    std::int64_t m_duration = 0;
    std::int64_t m_lastPosition = 0;
    std::unique_ptr<TPipeline> m_pipeline;

    int Build();
};
