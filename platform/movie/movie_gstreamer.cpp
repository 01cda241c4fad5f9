// Movies through GStreamer: filesrc ! asfdemux, then for the first WMV video
// stream queue ! avdec_wmv1/2/3 (or avdec_vc1) ! videoconvert ! appsink
// (BGR, synchronised to the pipeline clock), and every other stream into
// queue ! fakesink. The appsink hands each frame, preroll included, to the
// movie's sink on the streaming thread.
// Done: open with a 5 s preroll limit, either waited for (open) or finished
// by poll() on later frames (begin_open); duration, seek to the start; the
// bus is drained on every poll, and a late stream error is logged once.
// Differs from DirectShow: no position or rate other than the start; frames
// are top-down (the caller turns them).
#include "platform/movie/movie.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "platform/debug/debug.h"
#include "platform/movie/stream_marks.h"

namespace platform::movie {
namespace {

constexpr GstClockTime kPrerollLimit = 5 * GST_SECOND;
constexpr const char* kNoVideoMessage = "qz-no-video";

bool StartGStreamer() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        GError* error = nullptr;
        started = gst_init_check(nullptr, nullptr, &error) != FALSE;
        if (!started) {
            debug::output("GStreamer could not start; movies will not play\n");
            g_clear_error(&error);
        }
    });
    return started;
}

void LogMissingElementOnce(const char* name) {
    static std::once_flag once;
    std::call_once(once, [name] {
        std::string text = "GStreamer element ";
        text += name;
        text += " is missing; movies will not play\n";
        debug::output(text.c_str());
    });
}

// The decoder for a demuxed stream, or null for anything but WMV video.
const char* DecoderFor(GstCaps* caps) {
    if (!caps || gst_caps_is_empty(caps)) {
        return nullptr;
    }
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    if (!gst_structure_has_name(s, "video/x-wmv")) {
        return nullptr;
    }
    int version = 0;
    gst_structure_get_int(s, "wmvversion", &version);
    const char* format = gst_structure_get_string(s, "format");
    switch (version) {
        case 1:
            return "avdec_wmv1";
        case 2:
            return "avdec_wmv2";
        case 3:
            return (format && std::strcmp(format, "WVC1") == 0) ? "avdec_vc1" : "avdec_wmv3";
        default:
            return nullptr;
    }
}

class GstMovie final : public Movie {
public:
    explicit GstMovie(FrameSink& frameSink) : sink(frameSink) {}
    ~GstMovie() override {
        if (pipeline) {
            // Joins the streaming threads: no callback runs after this.
            gst_element_set_state(pipeline, GST_STATE_NULL);
            marks.AfterCallbacks();
            gst_object_unref(pipeline);
        }
    }
    GstMovie(const GstMovie&) = delete;
    GstMovie& operator=(const GstMovie&) = delete;

    std::int64_t duration_100ns() override { return duration; }

    bool play_from_start() override {
        poll(nullptr);
        marks.BeforeCallbacks();
        const auto flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT);
        const bool sought = gst_element_seek_simple(pipeline, GST_FORMAT_TIME, flags, 0) != FALSE;
        const bool running =
            gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
        return sought && running;
    }

    OpenState poll(OpenError* error) override;
    std::uint64_t drained_messages() override { return drained; }
    bool has_queued_messages() override {
        GstBus* bus = gst_element_get_bus(pipeline);
        const bool pending = gst_bus_have_pending(bus) != FALSE;
        gst_object_unref(bus);
        return pending;
    }

    // The fixed part of the pipeline; false when an element is missing.
    bool Build(const std::string& path);
    // Sets the pipeline going towards its first frame, without waiting.
    OpenError BeginPreroll();
    OpenError WaitForPreroll();
    // What a bus message says about an open in progress; nothing when it
    // says nothing (keep waiting).
    std::optional<OpenError> OpeningOutcome(GstMessage* m);
    OpenError Start();

    OpenState state = OpenState::opening;
    OpenError failure = OpenError::none;
    gint64 prerollDeadline = 0;
    bool streamErrorLogged = false;
    std::uint64_t drained = 0;

    FrameSink& sink;
    GstElement* pipeline = nullptr;
    GstElement* convert = nullptr;
    std::atomic<bool> videoLinked{false};
    std::int64_t duration = -1;
    StreamMarks marks;
};

GstElement* MakeElement(const char* factory) {
    GstElement* e = gst_element_factory_make(factory, nullptr);
    if (!e) {
        LogMissingElementOnce(factory);
    }
    return e;
}

void Deliver(GstSample* sample, FrameSink& sink) {
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGR) {
        return;
    }
    GstVideoFrame frame;
    // Mapping checks the buffer holds every row the caps promise.
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        return;
    }
    Frame out;
    out.pixels = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    out.width = GST_VIDEO_FRAME_WIDTH(&frame);
    out.height = GST_VIDEO_FRAME_HEIGHT(&frame);
    out.stride = std::uint32_t(GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0));
    sink.on_frame(out);
    gst_video_frame_unmap(&frame);
}

GstFlowReturn OnNewSample(GstAppSink* appsink, gpointer data) {
    const StreamMarks::Callback running(static_cast<GstMovie*>(data)->marks);
    if (GstSample* sample = gst_app_sink_pull_sample(appsink)) {
        Deliver(sample, static_cast<GstMovie*>(data)->sink);
        gst_sample_unref(sample);
    }
    return GST_FLOW_OK;
}

GstFlowReturn OnNewPreroll(GstAppSink* appsink, gpointer data) {
    const StreamMarks::Callback running(static_cast<GstMovie*>(data)->marks);
    if (GstSample* sample = gst_app_sink_pull_preroll(appsink)) {
        Deliver(sample, static_cast<GstMovie*>(data)->sink);
        gst_sample_unref(sample);
    }
    return GST_FLOW_OK;
}

// Adds `chain` (downstream first) to the pipeline, links it after `pad` and
// brings it to the pipeline's state.
bool LinkChain(GstElement* pipeline, GstPad* pad, GstElement* const* chain, int count,
               GstElement* tail) {
    for (int i = 0; i < count; ++i) {
        gst_bin_add(GST_BIN(pipeline), chain[i]);
    }
    bool linked = true;
    for (int i = 0; i + 1 < count; ++i) {
        linked = linked && gst_element_link(chain[i], chain[i + 1]);
    }
    if (tail) {
        linked = linked && gst_element_link(chain[count - 1], tail);
    }
    for (int i = count - 1; i >= 0; --i) {
        gst_element_sync_state_with_parent(chain[i]);
    }
    GstPad* input = gst_element_get_static_pad(chain[0], "sink");
    linked = linked && gst_pad_link(pad, input) == GST_PAD_LINK_OK;
    gst_object_unref(input);
    return linked;
}

// The first WMV video stream is decoded; everything else is thrown away so
// the demuxer never stops on an unlinked stream.
void OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    const StreamMarks::Callback running(static_cast<GstMovie*>(data)->marks);
    auto* movie = static_cast<GstMovie*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) {
        caps = gst_pad_query_caps(pad, nullptr);
    }
    const char* decoderName = DecoderFor(caps);
    if (caps) {
        gst_caps_unref(caps);
    }
    if (decoderName && !movie->videoLinked.load()) {
        GstElement* queue = MakeElement("queue");
        GstElement* decoder = MakeElement(decoderName);
        if (queue && decoder) {
            GstElement* chain[] = {queue, decoder};
            if (LinkChain(movie->pipeline, pad, chain, 2, movie->convert)) {
                movie->videoLinked.store(true);
                return;
            }
            return;  // the chain is in the bin already; the stream stays unread
        }
        if (queue) {
            gst_object_unref(queue);
        }
        if (decoder) {
            gst_object_unref(decoder);
        }
    }
    GstElement* queue = MakeElement("queue");
    GstElement* fake = MakeElement("fakesink");
    if (!queue || !fake) {
        if (queue) {
            gst_object_unref(queue);
        }
        if (fake) {
            gst_object_unref(fake);
        }
        return;
    }
    // Not waited for: only the video sink decides when the movie is ready.
    g_object_set(fake, "sync", FALSE, "async", FALSE, nullptr);
    GstElement* chain[] = {queue, fake};
    LinkChain(movie->pipeline, pad, chain, 2, nullptr);
}

void OnNoMorePads(GstElement* demux, gpointer data) {
    const StreamMarks::Callback running(static_cast<GstMovie*>(data)->marks);
    auto* movie = static_cast<GstMovie*>(data);
    if (!movie->videoLinked.load()) {
        GstStructure* s = gst_structure_new_empty(kNoVideoMessage);
        gst_element_post_message(demux, gst_message_new_application(GST_OBJECT(demux), s));
    }
}

bool GstMovie::Build(const std::string& path) {
    pipeline = gst_pipeline_new("qz-movie");
    GstElement* source = MakeElement("filesrc");
    GstElement* demux = MakeElement("asfdemux");
    convert = MakeElement("videoconvert");
    GstElement* appsink = MakeElement("appsink");
    if (!source || !demux || !convert || !appsink) {
        for (GstElement* e : {source, demux, convert, appsink}) {
            if (e) {
                gst_object_unref(e);
            }
        }
        convert = nullptr;
        return false;
    }
    g_object_set(source, "location", path.c_str(), nullptr);
    GstCaps* bgr = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", nullptr);
    gst_app_sink_set_caps(GST_APP_SINK(appsink), bgr);
    gst_caps_unref(bgr);
    g_object_set(appsink, "sync", TRUE, "max-buffers", 1u, "drop", TRUE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = &OnNewPreroll;
    callbacks.new_sample = &OnNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(appsink), &callbacks, this, nullptr);

    gst_bin_add_many(GST_BIN(pipeline), source, demux, convert, appsink, nullptr);
    if (!gst_element_link(source, demux) || !gst_element_link(convert, appsink)) {
        return false;
    }
    g_signal_connect(demux, "pad-added", G_CALLBACK(&OnPadAdded), this);
    g_signal_connect(demux, "no-more-pads", G_CALLBACK(&OnNoMorePads), this);
    return true;
}

OpenError GstMovie::BeginPreroll() {
    prerollDeadline = g_get_monotonic_time() + gint64(kPrerollLimit / GST_USECOND);
    marks.BeforeCallbacks();
    if (gst_element_set_state(pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        return OpenError::bad_file;
    }
    return OpenError::none;
}

std::optional<OpenError> GstMovie::OpeningOutcome(GstMessage* m) {
    const GstMessageType type = GST_MESSAGE_TYPE(m);
    if (type == GST_MESSAGE_ASYNC_DONE && GST_MESSAGE_SRC(m) == GST_OBJECT(pipeline)) {
        return videoLinked.load() ? OpenError::none : OpenError::no_video;
    }
    if (type == GST_MESSAGE_APPLICATION &&
        gst_structure_has_name(gst_message_get_structure(m), kNoVideoMessage)) {
        return OpenError::no_video;
    }
    if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS) {
        return videoLinked.load() ? OpenError::bad_file : OpenError::no_video;
    }
    return std::nullopt;
}

OpenError GstMovie::WaitForPreroll() {
    if (const OpenError begun = BeginPreroll(); begun != OpenError::none) {
        return begun;
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    OpenError result = OpenError::bad_file;
    for (;;) {
        const gint64 left = prerollDeadline - g_get_monotonic_time();
        if (left <= 0) {
            break;
        }
        const auto types = GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE |
                                          GST_MESSAGE_APPLICATION | GST_MESSAGE_EOS);
        GstMessage* m = gst_bus_timed_pop_filtered(bus, GstClockTime(left) * GST_USECOND, types);
        if (!m) {
            break;
        }
        const std::optional<OpenError> outcome = OpeningOutcome(m);
        gst_message_unref(m);
        if (outcome) {
            result = *outcome;
            break;
        }
    }
    gst_object_unref(bus);
    return result;
}

OpenState GstMovie::poll(OpenError* error) {
    // Every message is taken off the bus, so it never grows while a movie
    // plays; only those that decide an open or report an error matter.
    GstBus* bus = gst_element_get_bus(pipeline);
    while (state != OpenState::failed) {
        GstMessage* m = gst_bus_pop(bus);
        if (!m) {
            break;
        }
        drained += 1;
        if (state == OpenState::opening) {
            if (const std::optional<OpenError> outcome = OpeningOutcome(m)) {
                failure = *outcome == OpenError::none ? Start() : *outcome;
                state = failure == OpenError::none ? OpenState::ready : OpenState::failed;
            }
        } else if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR && !streamErrorLogged) {
            streamErrorLogged = true;
            GError* err = nullptr;
            gst_message_parse_error(m, &err, nullptr);
            std::string text = "movie stream error, frames stop: ";
            text += err ? err->message : "unknown";
            text += "\n";
            debug::output(text.c_str());
            g_clear_error(&err);
        }
        gst_message_unref(m);
    }
    gst_object_unref(bus);
    if (state == OpenState::opening && g_get_monotonic_time() >= prerollDeadline) {
        state = OpenState::failed;
        failure = OpenError::bad_file;  // never reached its first frame
    }
    if (state == OpenState::failed && error) {
        *error = failure;
    }
    return state;
}

OpenError GstMovie::Start() {
    gint64 ns = 0;
    if (!gst_element_query_duration(pipeline, GST_FORMAT_TIME, &ns) || ns <= 0) {
        return OpenError::bad_file;
    }
    duration = ns / 100;
    marks.BeforeCallbacks();
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        return OpenError::bad_file;
    }
    return OpenError::none;
}

class GstBackend final : public Backend {
public:
    std::unique_ptr<Movie> open(const std::string& path, FrameSink& sink,
                                OpenError* error) override {
        return Open(path, sink, error, true);
    }
    std::unique_ptr<Movie> begin_open(const std::string& path, FrameSink& sink,
                                      OpenError* error) override {
        return Open(path, sink, error, false);
    }

private:
    static std::unique_ptr<Movie> Open(const std::string& path, FrameSink& sink, OpenError* error,
                                       bool wait) {
        OpenError why = OpenError::none;
        auto movie = std::make_unique<GstMovie>(sink);
        std::error_code ec;
        if (!StartGStreamer()) {
            why = OpenError::unavailable;
        } else if (!std::filesystem::is_regular_file(path, ec)) {
            why = OpenError::not_found;
        } else if (!movie->Build(path)) {
            why = OpenError::unavailable;
        } else if (!wait) {
            why = movie->BeginPreroll();
        } else if ((why = movie->WaitForPreroll()) == OpenError::none) {
            why = movie->Start();
            movie->state = OpenState::ready;
        }
        if (error) {
            *error = why;
        }
        if (why != OpenError::none) {
            return nullptr;
        }
        return movie;
    }
};

std::atomic<Backend*> g_override{nullptr};

}  // namespace

Backend& gstreamer_backend() {
    static GstBackend backend;
    return backend;
}

Backend& current() {
    Backend* b = g_override.load(std::memory_order_acquire);
    return b ? *b : gstreamer_backend();
}

void set_current(Backend* backend) {
    g_override.store(backend, std::memory_order_release);
}

}  // namespace platform::movie
