# The two everyday commands:
#   make run    install what is missing, build, start the game
#   make test   install what is missing, build, run every test
#   make bench  the benchmarks against their goals
PRESET ?= dev
BUILD_DIR := build/$(PRESET)

.PHONY: deps configure build run test bench deb package-test format clean

deps:
	@sh tools/setup-deps

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

run: build
	./$(BUILD_DIR)/quorvia

# Every test: formatting, the whole suite, the suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and each fuzz target for 30 seconds.
test: build
	sh tools/check-format
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

# The package installed and played by two users on a clean Debian 12 root, kept in
# build/chroot/ (made by debootstrap at the first run, which takes a few minutes). As root.
package-test: deb
	bash tests/package/package.sh build/deb/quorvia_*_amd64.deb build/chroot

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
