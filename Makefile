# `make test` is all a fresh machine needs: it installs what is missing, builds both targets and
# runs every test under Wine.
.PHONY: all setup build test clean

all: build

setup:
	scripts/setup

build: setup
	scripts/build

test: build
	scripts/run-tests

clean:
	rm -rf build/x64 build/x86
