#!/usr/bin/env bash
# What clips cost the saver under Wine, in one run, against the targets in
# docs/performance.md ("Clips"), with clips and photos made here by ffmpeg:
#   1. a 1080p30 H.264 clip (20 s of testsrc2) read through the saver's clip reader
#      (lumora_clip_decode.exe: Media Foundation's source reader, decoding through GStreamer)
#      against `ffmpeg -i CLIP -f null -` on the same clip, one after the other, twice;
#   2. the render thread's processor time per frame (the probe) with that clip showing
#      against a photo of the same size (its first frame as a JPEG);
#   3. the peak resident memory (VmHWM of the probe's process) with a 4K clip against a 4K photo;
#   4. the time from opening a clip to its first decoded frame, 1080p and 4K (the process's
#      first clip, which starts Media Foundation and GStreamer, and a later one).
# Prints a markdown table. On demand only; run after ./lumora build.
#   bash scripts/bench-clips.sh [SECONDS]   (each probe run; default 20)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh
SECONDS_PER_RUN="${1:-20}"
WORK="$ROOT/build/bench/clips"
MEDIA="$WORK/media"
mkdir -p "$MEDIA" "$WORK/hd-clip" "$WORK/hd-photo" "$WORK/uhd-clip" "$WORK/uhd-photo"
cp build/windows/tests/lumora_wine_perf.exe build/windows/tests/lumora_clip_decode.exe dist/LMRResource.dat "$WORK/"

# The clips are made once and kept: encoding 4K takes a while on two cores.
make_clip() {  # file size seconds
  [ -s "$1" ] || ffmpeg -loglevel error -y -f lavfi -i "testsrc2=s=$2:r=30:d=$3" -c:v libx264 -preset veryfast \
    -pix_fmt yuv420p "$1" || exit 1
}
make_clip "$MEDIA/hd.mp4" 1920x1080 20
make_clip "$MEDIA/uhd.mp4" 3840x2160 10
for name in hd uhd; do
  [ -s "$MEDIA/$name.jpg" ] || ffmpeg -loglevel error -y -i "$MEDIA/$name.mp4" -frames:v 1 -q:v 2 "$MEDIA/$name.jpg"
  ln -sf "$MEDIA/$name.mp4" "$WORK/$name-clip/$name.mp4"
  ln -sf "$MEDIA/$name.jpg" "$WORK/$name-photo/$name.jpg"
done

# The saver's reader: sets FRAMES, SECS, FPS, CPU (processor seconds), FIRST (the process's
# first open to its first frame) and AGAIN (a later open to its first frame).
decode() {  # clip [--fresh]
  local out
  out="$(cd "$WORK" && wine ./lumora_clip_decode.exe "$(winpath "$1")" "${@:2}" 2>/dev/null | tr -d '\r')"
  FIRST="$(sed -n 's/^first open: first frame \([0-9.]*\) s.*/\1/p' <<<"$out")"
  AGAIN="$(sed -n 's/.*opened again: first frame \([0-9.]*\) s.*/\1/p' <<<"$out")"
  read -r FRAMES SECS FPS CPU < <(sed -n \
    's/^frames \([0-9]*\) in \([0-9.]*\) s (\([0-9.]*\) frames\/s), processor \([0-9.]*\) s.*/\1 \2 \3 \4/p' <<<"$out")
  [ -n "${FPS:-}" ] || { echo "$out" >&2; FRAMES=0 SECS=0 FPS=0 CPU=0 FIRST=0 AGAIN=0; }
}
# ffmpeg's own decode of the same clip (its wall time, rtime): sets FRAMES, SECS, FPS, CPU.
ffmpeg_decode() {  # clip
  local out
  out="$(ffmpeg -hide_banner -nostats -benchmark -i "$1" -f null - 2>&1)"
  FRAMES="$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$1")"
  SECS="$(sed -n 's/.*rtime=\([0-9.]*\)s.*/\1/p' <<<"$out")"
  CPU="$(sed -n 's/.*utime=\([0-9.]*\)s stime=\([0-9.]*\)s.*/\1 \2/p' <<<"$out" | awk '{ printf "%.2f", $1 + $2 }')"
  FPS="$(awk -v f="$FRAMES" -v s="$SECS" 'BEGIN { printf "%.1f", (s > 0 ? f / s : 0) }')"
}
# The probe for SECONDS_PER_RUN with a settings file, its process's peak resident memory
# (VmHWM) read from /proc while it runs: sets MS_FRAME, RATE, PEAK, FIRST. A run that gives
# no figures is said so and run once more; MS_FRAME is 0 if the second gives none either.
# (Under Wine the probe's process with a clip playing now and then dies of a segmentation
# fault as it ends; it writes its figures out before that.)
probe() {  # settings-file
  local try
  for try in 1 2; do
    probe_once "$1"
    [ -n "$MS_FRAME" ] && return 0
    echo "the probe gave no figures (exit $PROBE_EXIT); its output:" >&2
    cat "$WORK/probe.out.txt" >&2
  done
  MS_FRAME=0
}
probe_once() {  # settings-file
  local out="$WORK/probe.out" job pid hwm peak=0
  (cd "$WORK" && exec wine ./lumora_wine_perf.exe "$SECONDS_PER_RUN" 1024 768 "$(winpath "$1")" >"$out" 2>/dev/null) &
  job=$!
  while alive "$job"; do
    for pid in $(pgrep -u "$(id -u)" -f 'lumora_wine_perf\.exe'); do
      tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
      hwm="$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null)"
      [ -n "$hwm" ] && [ "$hwm" -gt "$peak" ] && peak="$hwm"
    done
    sleep 0.2
  done
  wait "$job"
  PROBE_EXIT=$?
  tr -d '\r' <"$out" >"$out.txt"
  MS_FRAME="$(sed -n 's/^render thread processor .*(\([0-9.]*\) ms a frame).*/\1/p' "$out.txt")"
  RATE="$(sed -n 's/.*, \([0-9.]*\) frames\/s after.*/\1/p' "$out.txt")"
  FIRST="$(sed -n 's/.*first visible frame \([0-9.]*\) s after start.*/\1/p' "$out.txt")"
  PEAK="$(awk -v k="$peak" 'BEGIN { printf "%.0f", k / 1024 }')"
}
verdict() { python3 -c "import sys; print('met' if $1 else 'missed')"; }
# The verdict on the probe's figures, or none where a probe gave none.
probe_verdict() {  # condition clip-ms photo-ms
  if [ "$2" = 0 ] || [ "$3" = 0 ]; then echo "no figure"; else verdict "$1"; fi
}
load() { cut -d' ' -f1-3 /proc/loadavg; }

wine_cleanup_on_exit csmt_restore
wine_setup 1024x768 || exit 1
# Wine's Direct3D command-stream thread off, so that the device's work (the planes' uploads
# among it) is done on the render thread and counted as the frame loop's.
csmt_off
LOAD_START="$(load)"
echo "load average at the start: $LOAD_START" >&2

rows=()
for round in 1 2; do
  decode "$MEDIA/hd.mp4"
  ours_fps="$FPS" ours_frames="$FRAMES" ours_secs="$SECS" ours_cpu="$CPU" hd_first="$FIRST" hd_again="$AGAIN"
  ffmpeg_decode "$MEDIA/hd.mp4"
  realtime="$(awk -v f="$ours_fps" 'BEGIN { printf "%.2f", f / 30 }')"
  share="$(awk -v a="$ours_fps" -v b="$FPS" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
  rows+=("| 1080p30 decode, round $round: the saver's reader against ffmpeg | $ours_fps frames/s ($ours_frames in $ours_secs s, ${realtime}x real time; processor $ours_cpu s) | $FPS frames/s ($FRAMES in $SECS s; processor $CPU s) | ${share} of ffmpeg's rate | at least 1.5x real time and 0.5 of ffmpeg: $(verdict "$realtime >= 1.5 and $share >= 0.5") |")
done
decode "$MEDIA/hd.mp4" --fresh
rows+=("| 1080p30 decode, a new frame each read (as before frames were given back) | $FPS frames/s ($FRAMES in $SECS s; processor $CPU s) | | | (what new planes cost) |")

settings Videos=1 -- "$WORK/hd-clip/" >"$WORK/hd-clip.settings"
settings -- "$WORK/hd-photo/" >"$WORK/hd-photo.settings"
probe "$WORK/hd-clip.settings"
clip_ms="$MS_FRAME" clip_rate="$RATE" clip_peak="$PEAK"
probe "$WORK/hd-photo.settings"
more="$(awk -v a="$clip_ms" -v b="$MS_FRAME" 'BEGIN { printf "%+.0f %%", (b > 0 ? 100 * (a - b) / b : 0) }')"
rows+=("| render thread per frame, 1080p clip against 1080p photo, ${SECONDS_PER_RUN} s at 1024x768 | $clip_ms ms ($clip_rate frames/s; peak $clip_peak MB) | $MS_FRAME ms ($RATE frames/s; peak $PEAK MB) | $more | at most +20 %: $(probe_verdict "$clip_ms <= 1.2 * $MS_FRAME" "$clip_ms" "$MS_FRAME") |")

settings Videos=1 -- "$WORK/uhd-clip/" >"$WORK/uhd-clip.settings"
settings -- "$WORK/uhd-photo/" >"$WORK/uhd-photo.settings"
probe "$WORK/uhd-clip.settings"
clip_peak="$PEAK" clip_ms="$MS_FRAME" clip_rate="$RATE"
probe "$WORK/uhd-photo.settings"
rows+=("| peak resident (VmHWM), 4K clip against 4K photo | $clip_peak MB ($clip_ms ms, $clip_rate frames/s) | $PEAK MB ($MS_FRAME ms, $RATE frames/s) | $((clip_peak - PEAK)) MB more | at most +100 MB: $(probe_verdict "$clip_peak - $PEAK <= 100" "$clip_ms" "$MS_FRAME") |")

decode "$MEDIA/uhd.mp4"
rows+=("| open to first frame through the saver's reader: a later clip, 1080p and 4K | 1080p: $hd_again s; 4K: $AGAIN s | the process's first clip: 1080p $hd_first s; 4K $FIRST s | | at most 0.5 s: $(verdict "max($hd_again, $AGAIN) <= 0.5") |")
rows+=("| 4K decode through the saver's reader (for reference) | $FPS frames/s ($FRAMES in $SECS s; processor $CPU s) | | | |")

printf '| what | clip | reference | difference | target |\n|---|---|---|---|---|\n'
printf '%s\n' "${rows[@]}"
echo
echo "load average at the start: $LOAD_START; at the end: $(load)"
wine_teardown
