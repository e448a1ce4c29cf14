#include "DemoMp3.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <memory>
#include <stdexcept>

namespace demo {

namespace {

// No encoding of a few seconds takes longer than this; an encoder that stalls fails.
constexpr GstClockTime kStallLimit = 10 * GST_SECOND;

struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
template <class T>
using TGstRef = std::unique_ptr<T, GstObjectUnref>;

// The pipeline goes to NULL before it is released, whatever ends the encoding.
struct TStoppedPipeline {
    GstElement *Pipeline;
    ~TStoppedPipeline() { gst_element_set_state(Pipeline, GST_STATE_NULL); }
};

} // namespace

std::string EncodeMp3(int sampleRate, int kbps, const std::vector<std::int16_t> &samples)
{
    GError *error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error)) {
        const std::string message = error ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        throw std::runtime_error("cannot start GStreamer: " + message);
    }
    const std::string description =
        "appsrc name=in format=time caps=audio/x-raw,format=S16LE,layout=interleaved,channels=1,rate=" +
        std::to_string(sampleRate) + " ! audioconvert ! lamemp3enc target=bitrate cbr=true bitrate=" +
        std::to_string(kbps) + " ! appsink name=out sync=false";
    TGstRef<GstElement> pipeline(gst_parse_launch(description.c_str(), &error));
    if (error || !pipeline) {
        const std::string message = error ? error->message : "no pipeline";
        if (error)
            g_error_free(error);
        throw std::runtime_error("cannot encode MP3 (is gstreamer1.0-plugins-good installed?): " + message);
    }
    gst_object_ref_sink(pipeline.get());
    TGstRef<GstElement> source(gst_bin_get_by_name(GST_BIN(pipeline.get()), "in"));
    TGstRef<GstElement> sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
    TStoppedPipeline stopped{pipeline.get()};
    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        throw std::runtime_error("cannot start the MP3 encoder");

    const gsize bytes = samples.size() * sizeof(std::int16_t);
    GstBuffer *buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    gst_buffer_fill(buffer, 0, samples.data(), bytes);
    GST_BUFFER_PTS(buffer) = 0;
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(samples.size(), GST_SECOND, guint64(sampleRate));
    gst_app_src_push_buffer(GST_APP_SRC(source.get()), buffer); // takes the buffer
    gst_app_src_end_of_stream(GST_APP_SRC(source.get()));

    std::string mp3;
    GstAppSink *appSink = GST_APP_SINK(sink.get());
    while (!gst_app_sink_is_eos(appSink)) {
        GstSample *sample = gst_app_sink_try_pull_sample(appSink, kStallLimit);
        if (!sample) {
            if (gst_app_sink_is_eos(appSink))
                break;
            throw std::runtime_error("the MP3 encoder failed or stalled");
        }
        GstMapInfo map;
        GstBuffer *frames = gst_sample_get_buffer(sample);
        if (frames && gst_buffer_map(frames, &map, GST_MAP_READ)) {
            mp3.append(reinterpret_cast<const char *>(map.data), map.size);
            gst_buffer_unmap(frames, &map);
        }
        gst_sample_unref(sample);
    }
    if (mp3.empty())
        throw std::runtime_error("the MP3 encoder gave no data");
    return mp3;
}

} // namespace demo
