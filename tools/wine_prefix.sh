#!/usr/bin/env bash
# Sourced by the scripts that run the Windows programs under Wine (tools/windows.sh --play,
# tools/ci/windows.sh, tools/ci/release.sh): one way to set Wine up.
#   useWinePrefix DIR [silent|pulse|any]
#       exports WINEPREFIX=DIR (64-bit, kept between runs, made on first use: about 15 s,
#       on the display in DISPLAY) and the sound its programs get: silent, every audio
#       driver off (the show plays without sound and says so in one line); pulse, Wine's
#       PulseAudio driver alone (the server in PULSE_SERVER); any (the default), Wine's
#       own choice.
#   startWineServer
#       starts that prefix's server to stay until stopWinePrefix, so that its start (seconds)
#       is not counted in the first program's.
#   stopWinePrefix
#       ends that server and whatever still runs in the prefix.

useWinePrefix() {
  export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
  case ${2:-any} in
    silent) export WINEDLLOVERRIDES="winealsa.drv,winepulse.drv,wineoss.drv,winecoreaudio.drv=d" ;;
    pulse) export WINEDLLOVERRIDES="winealsa.drv,wineoss.drv,winecoreaudio.drv=d" ;;
    *) ;;
  esac
  [ -f "$WINEPREFIX/system.reg" ] || wine wineboot -i >/dev/null 2>&1
}

startWineServer() {
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1
}

stopWinePrefix() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  return 0
}
