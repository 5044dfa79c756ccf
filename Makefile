# The two everyday commands:
#   make run    install what is missing, build, start the game
#   make test   install what is missing, build, run every test
PRESET ?= dev
BUILD_DIR := build/$(PRESET)

.PHONY: deps configure build run test bench clean

deps:
	@sh tools/setup-deps

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

run: build
	./$(BUILD_DIR)/quorvia

test: build
	ctest --preset $(PRESET)

bench: deps
	python3 bench/run

clean:
	rm -rf build
