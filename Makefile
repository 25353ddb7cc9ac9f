# `make test` is all a fresh machine needs: it installs what is missing, builds both targets
# (everything but the benchmarks) and runs every test under Wine.
.PHONY: all setup build test benchmark demo clean

all: build

setup:
	scripts/setup

build: setup
	scripts/build

test: setup
	scripts/build tests
	scripts/run-tests

# Prints the engine's timings against a baseline measured in the same run.
benchmark: setup
	scripts/build benchmarks
	scripts/wine-run build/x64/benchmarks/binding_benchmark.exe
	scripts/wine-run build/x64/benchmarks/proplist_benchmark.exe
	scripts/wine-run build/x64/benchmarks/persistence_benchmark.exe

# Registers both libraries in the project's Wine prefix and runs the demo host; without a display
# it writes build/demo.png and prints the items. OBJECT=<ProgID> inspects that object instead.
demo: setup
	scripts/build demo
	scripts/demo $(if $(OBJECT),--object $(OBJECT))

clean:
	rm -rf build/x64 build/x86
