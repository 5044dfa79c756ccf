# The two everyday commands:
#   make run    install what is missing, build, start the game
#   make test   install what is missing, build, run every test
#   make bench  the benchmarks against their goals
PRESET ?= dev
BUILD_DIR := build/$(PRESET)

.PHONY: deps configure build run test test-trixie bench deb package-test format clean

deps:
	@sh tools/setup-deps

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

run: build
	./$(BUILD_DIR)/quorvia

# Every test: formatting of C++ and CMake files, clang-tidy, the whole suite, the suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target for 30 seconds.
test: build
	sh tools/check-format
	sh tools/check-tidy $(BUILD_DIR)
	ctest --preset $(PRESET)
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan
	cmake --preset fuzz
	cmake --build --preset fuzz
	ctest --preset fuzz

bench: deps
	python3 bench/run

# The Debian package, built from the project's files and checked with lintian (build/deb/).
deb:
	@sh tools/setup-deps deb
	sh tools/make-deb

# The package installed and played by two users on a clean root of the Debian release
# RELEASE (bookworm, trixie), kept in build/chroot-RELEASE/ (made by debootstrap at the
# first run). A package for the machine's own release is built here; one for another
# release is built by `make deb` in a root of that release, kept in build/deb-root-RELEASE/.
# As root.
RELEASE ?= bookworm
HOST_RELEASE := $(shell . /etc/os-release 2>/dev/null && echo $$VERSION_CODENAME)
ifeq ($(RELEASE),$(HOST_RELEASE))
package-test: deb
	bash tests/package/package.sh build/deb/quorvia_*_amd64.deb build/chroot-$(RELEASE) $(RELEASE)
else
package-test:
	@sh tools/setup-deps deb
	tools/release-root $(RELEASE) build/deb-root-$(RELEASE) deb
	bash tests/package/package.sh build/deb-root-$(RELEASE).out/build/deb/quorvia_*_amd64.deb build/chroot-$(RELEASE) $(RELEASE)
endif

# The README's test command on a new Debian 13 machine: `make test` in a fresh debootstrap
# root of trixie with only git and make (build/trixie-root/, removed afterwards). As root;
# about 15 minutes on 2 cores (`make test` alone: about 10), so it is not part of `make test`.
test-trixie:
	@sh tools/setup-deps deb
	tools/release-root --fresh trixie build/trixie-root test

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
