# Shell functions for running 32-bit Linux programs, the 32-bit Wine loader
# among them, where the kernel itself runs no 32-bit user code: qemu's i386
# user-mode emulator registered with binfmt_misc. Source it; it defines
# functions only. Changing the registration needs root.
#
# While the emulation is on, Wine gives every new 64-bit prefix its 32-bit
# half too, under emulation (minutes instead of seconds), so it stays
# registered but switched off except around the runs that need it.

I386_EMULATOR=/usr/bin/qemu-i386-static
BINFMT_DIR=/proc/sys/fs/binfmt_misc
I386_BINFMT_ENTRY=$BINFMT_DIR/qemu-i386

# The state of the registration: absent, enabled or disabled.
i386_emulation_state() {
  if [ ! -f "$I386_BINFMT_ENTRY" ]; then echo absent
  elif [ "$(head -n1 "$I386_BINFMT_ENTRY")" = enabled ]; then echo enabled
  else echo disabled
  fi
}

# True when a 32-bit program runs here without the emulation: it is
# absent or off, and the 32-bit Wine loader starts.
kernel_runs_i386() {
  [ "$(i386_emulation_state)" != enabled ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Registers the emulator for i386 ELF programs, switched off. The F flag
# makes the kernel open the emulator now, so it is found from any mount
# namespace later. Returns non-zero with a message when that cannot be done.
register_i386_emulation() {
  [ -x "$I386_EMULATOR" ] || { echo "i386-emulation: $I386_EMULATOR is missing" >&2; return 1; }
  if [ ! -f "$BINFMT_DIR/register" ]; then
    mount -t binfmt_misc binfmt_misc "$BINFMT_DIR" || return 1
  fi
  if [ ! -f "$I386_BINFMT_ENTRY" ]; then
    # The ELF header of a 32-bit little-endian x86 executable or shared object.
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf ':qemu-i386:M::%s:%s:%s:F\n' "$magic" "$mask" "$I386_EMULATOR" \
      >"$BINFMT_DIR/register" || return 1
  fi
  echo 0 >"$I386_BINFMT_ENTRY"
}

# Switches a registered emulation on (1) or off (0).
switch_i386_emulation() {
  echo "$1" >"$I386_BINFMT_ENTRY"
}

# Makes 32-bit programs runnable for the rest of the calling script: nothing
# to do where the kernel runs them; else the registered emulation is
# switched on, and `restore_i386_emulation` (which the caller's EXIT trap
# must call) puts it back as it was found. Prints what it did. Returns 77
# when no 32-bit program can run here (no emulation registered, or not root).
I386_FOUND=
enable_i386_for_this_run() {
  local found
  found=$(i386_emulation_state)
  if kernel_runs_i386; then
    echo "i386-emulation: this kernel runs 32-bit code itself"
  elif [ "$found" = absent ]; then
    echo "i386-emulation: skipped: this kernel runs no 32-bit code and no i386 emulation is registered (run scripts/install-deps.sh as root)" >&2
    return 77
  elif [ ! -w "$I386_BINFMT_ENTRY" ]; then
    echo "i386-emulation: skipped: switching the i386 emulation on needs root" >&2
    return 77
  else
    I386_FOUND=$found
    switch_i386_emulation 1
    echo "i386-emulation: switched on for this run (it was $found)"
  fi
}

# Puts the emulation back as enable_i386_for_this_run found it.
restore_i386_emulation() {
  case "$I386_FOUND" in
    enabled) switch_i386_emulation 1 ;;
    disabled) switch_i386_emulation 0 ;;
  esac
  I386_FOUND=
}
