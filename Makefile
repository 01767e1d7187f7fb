# Three builds of one tree: the 32-bit deliverables, the 64-bit build that the
# tests run under wine64, and the native host tools.
JOBS ?= $(shell nproc)
BUILD := build
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps win32 win64 host dist test demo smoke32 clean

all: deps dist

deps:
	@tools/install-deps.sh

# Configuring every time is cheap and picks up newly added subdirectories.
win32:
	@cmake -S . -B $(BUILD)/win32 $(CMAKE_FLAGS) -DTARVO_BUILD_TESTS=ON \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-i686.cmake >/dev/null
	cmake --build $(BUILD)/win32 -j $(JOBS)

win64:
	@cmake -S . -B $(BUILD)/win64 $(CMAKE_FLAGS) \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-x86_64.cmake >/dev/null
	cmake --build $(BUILD)/win64 -j $(JOBS)

host:
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)/host $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/host -j $(JOBS)

dist: win32 win64 host
	@mkdir -p dist/win32 dist/win64 dist/host
	@for p in install areacap samplehost arjx distcheck distpack; do \
	  if [ -f $(BUILD)/win32/bin/$$p.exe ]; then cp $(BUILD)/win32/bin/$$p.exe dist/win32/; fi; \
	  if [ -f $(BUILD)/win64/bin/$$p.exe ]; then cp $(BUILD)/win64/bin/$$p.exe dist/win64/; fi; \
	done
	@for p in arjx distcheck distpack; do \
	  if [ -f $(BUILD)/host/bin/$$p ]; then cp $(BUILD)/host/bin/$$p dist/host/; fi; \
	done

test: all
	tools/run-tests.sh

# Installs the sample product under Wine: interactively on a display, else
# driven through its dialogs on a private X display (screenshots saved).
demo: all
	tools/demo.sh

# The same scripted installation with the 32-bit build under a private 32-bit
# Wine (qemu user emulation); compared with the 64-bit build's. Slow.
smoke32: all
	tools/smoke32.sh

clean:
	rm -rf $(BUILD) dist

# Archive reader: libFuzzer run (FUZZ_SECONDS, default 300) and decoding
# speed against arj and 7z, both in the host build; the bench then times the
# whole installation of the win64 and win32 builds under Wine.
FUZZ_SECONDS ?= 300
.PHONY: fuzz bench

fuzz:
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)/host $(CMAKE_FLAGS) -DFUZZ_SECONDS=$(FUZZ_SECONDS) >/dev/null
	cmake --build $(BUILD)/host -j $(JOBS) --target fuzz

bench: all
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)/host $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/host -j $(JOBS) --target bench
