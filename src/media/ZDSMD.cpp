#include "media/ZDSMD.h"

#include <gst/gst.h>

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

constexpr std::int64_t kNanosecondsPerUnit = 100;

std::mutex g_audioSinkMutex;
std::string g_audioSink;

bool InitGStreamer()
{
    static const bool initialised = [] {
        GError *error = nullptr;
        const bool ok = gst_init_check(nullptr, nullptr, &error);
        if (error)
            g_error_free(error);
        return ok;
    }();
    return initialised;
}

bool IsBlank(const std::string &text)
{
    for (unsigned char c : text)
        if (!std::isspace(c))
            return false;
    return true;
}

bool IsFile(const std::string &path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// playbin's flags for sound only: no video or subtitles are decoded, and the
// volume is applied in software so every sink behaves alike.
constexpr const char *kAudioOnlyFlags = "audio+soft-volume";

} // namespace

// The GStreamer objects of one open file, and the optional log. Destroying it
// takes the pipeline to NULL first, which joins the streaming threads and
// closes the file, then releases every reference.
struct TZDSMD::TPipeline {
    GstElement *Playbin = nullptr;
    GstBus *Bus = nullptr;
    gulong ElementAddedHandler = 0;
    std::mutex LogMutex; // elements are added from streaming threads
    std::FILE *Log = nullptr;

    TPipeline() = default;
    TPipeline(const TPipeline &) = delete;
    TPipeline &operator=(const TPipeline &) = delete;

    ~TPipeline()
    {
        if (Playbin) {
            gst_element_set_state(Playbin, GST_STATE_NULL);
            if (ElementAddedHandler)
                g_signal_handler_disconnect(Playbin, ElementAddedHandler);
        }
        if (Bus) {
            DrainBus();
            gst_object_unref(Bus);
        }
        if (Playbin)
            gst_object_unref(Playbin);
        if (Log) {
            WriteLog("closed");
            std::fclose(Log);
        }
    }

    void WriteLog(const std::string &line)
    {
        std::lock_guard<std::mutex> lock(LogMutex);
        if (Log) {
            std::fprintf(Log, "%s\n", line.c_str());
            std::fflush(Log);
        }
    }

    static void OnElementAdded(GstBin *, GstBin *bin, GstElement *element, gpointer self)
    {
        gchar *binName = gst_object_get_name(GST_OBJECT(bin));
        gchar *name = gst_object_get_name(GST_OBJECT(element));
        GstElementFactory *factory = gst_element_get_factory(element);
        std::string line = std::string("element added: ") + (name ? name : "?") + " (" +
                           (factory ? GST_OBJECT_NAME(factory) : "no factory") + ") in " + (binName ? binName : "?");
        g_free(binName);
        g_free(name);
        static_cast<TPipeline *>(self)->WriteLog(line);
    }

    // Describes a bus message for the log; errors and warnings with their text.
    static std::string Describe(GstMessage *message)
    {
        std::string text = std::string(GST_MESSAGE_TYPE_NAME(message)) + " from " +
                           (GST_MESSAGE_SRC(message) ? GST_MESSAGE_SRC_NAME(message) : "?");
        GError *error = nullptr;
        gchar *debug = nullptr;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
            gst_message_parse_error(message, &error, &debug);
        else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING)
            gst_message_parse_warning(message, &error, &debug);
        else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_STATE_CHANGED) {
            GstState from, to;
            gst_message_parse_state_changed(message, &from, &to, nullptr);
            text += std::string(": ") + gst_element_state_get_name(from) + " -> " + gst_element_state_get_name(to);
        }
        if (error) {
            text += std::string(": ") + error->message;
            g_error_free(error);
        }
        if (debug) {
            text += std::string(" (") + debug + ")";
            g_free(debug);
        }
        return text;
    }

    // The length in 100-nanosecond units, 0 while the pipeline cannot tell it.
    std::int64_t QueryDuration() const
    {
        gint64 duration = 0;
        if (gst_element_query_duration(Playbin, GST_FORMAT_TIME, &duration) && duration > 0)
            return duration / kNanosecondsPerUnit;
        return 0;
    }

    // Takes every pending message off the bus, so none piles up while a long
    // sound plays; with a log, each is written to it.
    void DrainBus()
    {
        if (!Bus)
            return;
        while (GstMessage *message = gst_bus_pop(Bus)) {
            if (Log)
                WriteLog(Describe(message));
            gst_message_unref(message);
        }
    }

    // Waits on bus until the pipeline has prerolled; false on an error or
    // after the time limit.
    bool WaitForPreroll(GstBus *bus)
    {
        const GstClockTime limit = GstClockTime(kRenderTimeoutMs) * GST_MSECOND;
        const GstClockTime start = gst_util_get_timestamp();
        for (;;) {
            const GstClockTime elapsed = gst_util_get_timestamp() - start;
            if (elapsed >= limit) {
                WriteLog("no preroll within " + std::to_string(kRenderTimeoutMs) + " ms");
                return false;
            }
            GstMessage *message = gst_bus_timed_pop_filtered(
                bus, limit - elapsed, GstMessageType(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
            if (!message)
                continue;
            const bool prerolled = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE;
            if (Log)
                WriteLog(Describe(message));
            gst_message_unref(message);
            return prerolled;
        }
    }
};

TZDSMD::TZDSMD() = default;

TZDSMD::~TZDSMD()
{
    Close();
}

void TZDSMD::SetAudioSink(const std::string &description)
{
    std::lock_guard<std::mutex> lock(g_audioSinkMutex);
    g_audioSink = description;
}

std::string TZDSMD::AudioSink()
{
    {
        std::lock_guard<std::mutex> lock(g_audioSinkMutex);
        if (!IsBlank(g_audioSink))
            return g_audioSink;
    }
    const char *variable = std::getenv(kAudioSinkVariable);
    if (variable && !IsBlank(variable))
        return variable;
    return kDefaultAudioSink;
}

int TZDSMD::Open()
{
    Close();
    m_opened = false;
    if (IsBlank(m_fileName))
        return kOpenBlankName;
    if (!IsFile(m_fileName))
        return kOpenNoFile;
    const int result = Build();
    if (result != kOpenReady) {
        // Nothing half-built stays behind: the file is released at once.
        Close();
        return result;
    }
    m_opened = true;
    m_state = kStopped;
    return kOpenReady;
}

int TZDSMD::Build()
{
    m_pipeline = std::make_unique<TPipeline>();
    TPipeline &pipeline = *m_pipeline;

    // Step 1: the pipeline itself and its audio sink.
    if (!InitGStreamer())
        return kOpenNoPipeline;
    pipeline.Playbin = gst_element_factory_make("playbin", nullptr);
    if (!pipeline.Playbin)
        return kOpenNoPipeline;
    gst_object_ref_sink(pipeline.Playbin);
    const std::string sinkDescription = AudioSink();
    GError *error = nullptr;
    GstElement *sink = gst_parse_bin_from_description(sinkDescription.c_str(), TRUE, &error);
    if (error) {
        g_error_free(error);
        if (sink)
            gst_object_unref(sink);
        return kOpenNoPipeline;
    }
    if (!sink)
        return kOpenNoPipeline;
    g_object_set(pipeline.Playbin, "audio-sink", sink, nullptr); // playbin takes the floating reference
    gst_util_set_object_arg(G_OBJECT(pipeline.Playbin), "flags", kAudioOnlyFlags);

    // Step 2: the log of how the pipeline is built, when asked for.
    if (m_useLog && !IsBlank(m_logFile)) {
        pipeline.Log = std::fopen(m_logFile.c_str(), "w");
        pipeline.WriteLog("file: " + m_fileName);
        pipeline.WriteLog("audio sink: " + sinkDescription);
        if (pipeline.Log)
            pipeline.ElementAddedHandler = g_signal_connect(pipeline.Playbin, "deep-element-added",
                                                            G_CALLBACK(&TPipeline::OnElementAdded), &pipeline);
    }

    // Step 3: render the file, that is preroll it: the content is recognised,
    // decoded and waits at the sink. A file without sound fails here too.
    gchar *uri = gst_filename_to_uri(m_fileName.c_str(), nullptr);
    if (!uri)
        return kOpenNotRendered;
    pipeline.WriteLog(std::string("uri: ") + uri);
    g_object_set(pipeline.Playbin, "uri", uri, nullptr);
    g_free(uri);
    GstBus *prerollBus = gst_element_get_bus(pipeline.Playbin);
    if (!prerollBus)
        return kOpenNotRendered;
    const GstStateChangeReturn change = gst_element_set_state(pipeline.Playbin, GST_STATE_PAUSED);
    const bool prerolled = change == GST_STATE_CHANGE_SUCCESS ||
                           (change == GST_STATE_CHANGE_ASYNC && pipeline.WaitForPreroll(prerollBus));
    gst_object_unref(prerollBus);
    if (!prerolled)
        return kOpenNotRendered;
    gint audioStreams = 0;
    g_object_get(pipeline.Playbin, "n-audio", &audioStreams, nullptr);
    pipeline.WriteLog("audio streams: " + std::to_string(audioStreams));
    if (audioStreams < 1)
        return kOpenNotRendered;

    // Step 4: control, the pipeline answers for its state and holds at paused.
    GstState state = GST_STATE_VOID_PENDING;
    if (gst_element_get_state(pipeline.Playbin, &state, nullptr, 0) != GST_STATE_CHANGE_SUCCESS ||
        state != GST_STATE_PAUSED)
        return kOpenNoControl;

    // Step 5: seeking, positions in time; the duration when the content tells it.
    gint64 position = 0;
    if (!gst_element_query_position(pipeline.Playbin, GST_FORMAT_TIME, &position))
        return kOpenNoSeeking;
    m_duration = pipeline.QueryDuration();
    pipeline.WriteLog("duration: " + std::to_string(m_duration) + " x 100 ns");

    // Step 6: events, the bus the pipeline reports on, kept and drained by
    // every call that follows (no event is acted on).
    pipeline.Bus = gst_element_get_bus(pipeline.Playbin);
    if (!pipeline.Bus)
        return kOpenNoEvents;
    pipeline.DrainBus();
    return kOpenReady;
}

void TZDSMD::Play()
{
    if (!m_opened)
        return;
    m_pipeline->DrainBus();
    if (gst_element_set_state(m_pipeline->Playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        m_pipeline->WriteLog("play failed");
        Stop();
        return;
    }
    m_state = kPlaying;
}

void TZDSMD::Pause()
{
    if (!m_opened)
        return;
    m_pipeline->DrainBus();
    gst_element_set_state(m_pipeline->Playbin, GST_STATE_PAUSED);
    m_state = kPaused;
}

void TZDSMD::Stop()
{
    if (!m_opened)
        return;
    m_pipeline->DrainBus();
    gst_element_set_state(m_pipeline->Playbin, GST_STATE_PAUSED);
    gst_element_seek_simple(m_pipeline->Playbin, GST_FORMAT_TIME,
                            GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), 0);
    m_lastPosition = 0;
    m_state = kStopped;
}

void TZDSMD::Close()
{
    m_pipeline.reset();
    m_opened = false;
    m_state = kClosed;
    m_duration = 0;
    m_lastPosition = 0;
}

std::int64_t TZDSMD::Duration()
{
    if (m_opened && m_duration == 0) {
        m_duration = m_pipeline->QueryDuration();
        if (m_duration)
            m_pipeline->WriteLog("duration: " + std::to_string(m_duration) + " x 100 ns");
    }
    return m_duration;
}

std::int64_t TZDSMD::Position()
{
    if (!m_opened)
        return 0;
    m_pipeline->DrainBus();
    gint64 position = 0;
    // While a state change or a seek is under way the pipeline may not answer:
    // the last known position stands.
    if (gst_element_query_position(m_pipeline->Playbin, GST_FORMAT_TIME, &position) && position >= 0)
        m_lastPosition = position / kNanosecondsPerUnit;
    return m_lastPosition;
}
