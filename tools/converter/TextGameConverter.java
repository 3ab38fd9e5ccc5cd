// Writes the history of a TripleA saved game as the text Quelm reads: one frame per step of
// the game, each listing every territory with its owner and its units.
//
//   java -classpath <this folder>:<TripleA jar> TextGameConverter SAVED_GAME OUTPUT
//
// The text is written to a temporary file beside OUTPUT and renamed at the end, so a reader
// sees either the whole history or none. A saved game that cannot be read ends the program
// with exit code 1 and one line on standard error saying why; no output is written then.

import games.strategy.engine.data.GameData;
import games.strategy.engine.data.PlayerID;
import games.strategy.engine.data.Territory;
import games.strategy.engine.data.Unit;
import games.strategy.engine.history.History;
import games.strategy.engine.history.HistoryNode;
import games.strategy.engine.history.Round;
import games.strategy.engine.history.Step;
import games.strategy.util.Version;
import java.io.BufferedInputStream;
import java.io.BufferedWriter;
import java.io.EOFException;
import java.io.File;
import java.io.FileInputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.InvalidClassException;
import java.io.ObjectInputStream;
import java.io.ObjectStreamException;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.net.URISyntaxException;
import java.nio.charset.StandardCharsets;
import java.nio.file.AccessDeniedException;
import java.nio.file.AtomicMoveNotSupportedException;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.Files;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.security.SecureRandom;
import java.util.jar.JarFile;
import java.util.zip.GZIPInputStream;
import java.util.zip.ZipException;

public final class TextGameConverter {
    private static final String NOBODY = "Neutral";
    private static final SecureRandom RANDOM = new SecureRandom();

    /** A reason, in one line, why the conversion cannot go on. */
    static final class ConversionFailure extends Exception {
        private static final long serialVersionUID = 1L;

        ConversionFailure(String reason) {
            super(reason);
        }
    }

    public static void main(String[] arguments) {
        if (arguments.length != 2) {
            System.err.println("usage: TextGameConverter SAVED_GAME OUTPUT");
            System.exit(2);
        }
        try {
            convert(new File(arguments[0]), new File(arguments[1]).getAbsoluteFile());
        } catch (ConversionFailure failure) {
            System.err.println("TextGameConverter: " + oneLine(failure.getMessage()));
            System.exit(1);
        } catch (Throwable unexpected) {
            // The caller shows the last line of standard error: make it say what happened.
            unexpected.printStackTrace();
            System.err.println("TextGameConverter: " + oneLine(unexpected.toString()));
            System.exit(1);
        }
        // TripleA's classes may leave threads behind; the work is done.
        System.exit(0);
    }

    static void convert(File save, File output) throws ConversionFailure {
        GameData data = readSavedGame(save);
        ScratchFile scratch = new ScratchFile(output.toPath());
        boolean written = false;
        try {
            try (Writer out = new BufferedWriter(
                     new OutputStreamWriter(
                         Files.newOutputStream(scratch.path()), StandardCharsets.UTF_8),
                     1 << 16)) {
                writeHistory(data, out);
            }
            scratch.moveIntoPlace();
            written = true;
        } catch (IOException e) {
            throw new ConversionFailure("cannot write " + output + ": " + describe(e));
        } catch (RuntimeException e) {
            throw new ConversionFailure(
                "cannot replay the history of " + save + ": " + describe(e));
        } finally {
            if (!written) {
                scratch.delete();
            }
        }
    }

    /**
     * The file the text is written to, beside the output and renamed to it at the end. A
     * converter stopped from outside (the viewer's Cancel sends SIGTERM) removes it on the way
     * out, whenever the signal comes: the shutdown hook and the steps that create and rename
     * the file take turns on one lock, and after the hook neither step does anything.
     */
    static final class ScratchFile {
        private final Path output;
        private Path path;
        private boolean shuttingDown;

        ScratchFile(Path outputPath) throws ConversionFailure {
            output = outputPath;
            try {
                Runtime.getRuntime().addShutdownHook(new Thread(this::removeOnShutdown));
            } catch (IllegalStateException e) {
                throw new ConversionFailure("stopped");
            }
            create(output.getParent(), output.getFileName().toString());
        }

        Path path() {
            return path;
        }

        private synchronized void create(Path folder, String name) throws ConversionFailure {
            for (int attempt = 0; !shuttingDown; ++attempt) {
                Path candidate =
                    folder.resolve(name + "." + Long.toHexString(RANDOM.nextLong()) + ".part");
                try {
                    // Made with the permissions any new file gets here, which the output keeps
                    // (a temporary file's would be the owner's alone).
                    path = Files.createFile(candidate);
                    return;
                } catch (FileAlreadyExistsException e) {
                    if (attempt == 100) {
                        throw new ConversionFailure(
                            "cannot write in " + folder + ": " + describe(e));
                    }
                } catch (IOException | RuntimeException e) {
                    throw new ConversionFailure("cannot write in " + folder + ": " + describe(e));
                }
            }
            throw new ConversionFailure("stopped");
        }

        synchronized void moveIntoPlace() throws IOException {
            if (shuttingDown) {
                return;
            }
            try {
                Files.move(path, output, StandardCopyOption.ATOMIC_MOVE,
                    StandardCopyOption.REPLACE_EXISTING);
            } catch (AtomicMoveNotSupportedException e) {
                Files.move(path, output, StandardCopyOption.REPLACE_EXISTING);
            }
        }

        void delete() {
            deleteQuietly(path);
        }

        private synchronized void removeOnShutdown() {
            shuttingDown = true;
            if (path != null) {
                deleteQuietly(path);
            }
        }
    }

    // Reads the saved game the way TripleA does (a gzip stream of the engine's Version, then
    // the GameData), without TripleA's loader, which needs its engine properties file in the
    // working folder and asks questions in dialogs.
    static GameData readSavedGame(File save) throws ConversionFailure {
        if (!save.isFile()) {
            throw new ConversionFailure("cannot read " + save + ": no such file");
        }
        try (InputStream file = new BufferedInputStream(new FileInputStream(save));
             ObjectInputStream in = openObjects(save, file)) {
            checkVersion(save, readVersion(save, in));
            Object data = in.readObject();
            if (!(data instanceof GameData)) {
                throw notASave(save);
            }
            GameData game = (GameData) data;
            game.postDeSerialize();
            return game;
        } catch (InvalidClassException e) {
            throw new ConversionFailure(
                save + " was saved by another TripleA version (" + describe(e) + ")");
        } catch (ClassNotFoundException e) {
            throw new ConversionFailure(save
                + " was saved by another TripleA version (unknown class " + e.getMessage() + ")");
        } catch (EOFException e) {
            throw new ConversionFailure(save + " is damaged: it ends too early");
        } catch (ZipException | ObjectStreamException e) {
            throw new ConversionFailure(save + " is damaged: " + describe(e));
        } catch (IOException | RuntimeException e) {
            throw new ConversionFailure("cannot read " + save + ": " + describe(e));
        }
    }

    // A saved game is a gzip-compressed stream of Java objects; anything else is not one.
    private static ObjectInputStream openObjects(File save, InputStream file)
        throws IOException, ConversionFailure {
        try {
            return new ObjectInputStream(new GZIPInputStream(file));
        } catch (ZipException | ObjectStreamException | EOFException e) {
            throw notASave(save);
        }
    }

    // The first object is the version of the TripleA that saved the game.
    private static Version readVersion(File save, ObjectInputStream in)
        throws IOException, ConversionFailure {
        try {
            Object version = in.readObject();
            if (version instanceof Version) {
                return (Version) version;
            }
        } catch (ClassNotFoundException | ZipException | ObjectStreamException | EOFException e) {
            // Not even the version could be read.
        }
        throw notASave(save);
    }

    private static ConversionFailure notASave(File save) {
        return new ConversionFailure(save + " is not a TripleA saved game");
    }

    // TripleA opens a save whose first three version numbers equal its own.
    private static void checkVersion(File save, Version saved) throws ConversionFailure {
        int[] engine = engineVersion();
        if (engine == null) {
            return;
        }
        if (saved.getMajor() != engine[0] || saved.getMinor() != engine[1]
            || saved.getPoint() != engine[2]) {
            throw new ConversionFailure(save + " was saved by TripleA " + saved.toStringFull()
                + ", but this converter runs on TripleA " + engine[0] + "." + engine[1] + "."
                + engine[2]);
        }
    }

    // The version in the manifest of the jar that holds TripleA's classes, or null when it
    // cannot be found.
    static int[] engineVersion() {
        try {
            File jar = new File(
                GameData.class.getProtectionDomain().getCodeSource().getLocation().toURI());
            try (JarFile file = new JarFile(jar)) {
                String text = file.getManifest().getMainAttributes().getValue("TripleA-Version");
                return text == null ? null : leadingNumbers(text, 3);
            }
        } catch (IOException | URISyntaxException | RuntimeException e) {
            return null;
        }
    }

    // The first count dot-separated numbers of text ("1.9.0.0.dev" gives 1, 9, 0), or null.
    static int[] leadingNumbers(String text, int count) {
        String[] parts = text.trim().split("\\.");
        if (parts.length < count) {
            return null;
        }
        int[] numbers = new int[count];
        try {
            for (int i = 0; i < count; ++i) {
                numbers[i] = Integer.parseInt(parts[i]);
            }
        } catch (NumberFormatException e) {
            return null;
        }
        return numbers;
    }

    // One frame per step node (root, round, step) of the history, showing the board after the
    // step's last event. TripleA records no step nodes for steps in which nothing happened.
    static void writeHistory(GameData data, Writer out) throws IOException {
        out.write("TrevoConvert\n");
        History history = data.getHistory();
        HistoryNode root = (HistoryNode) history.getRoot();
        int frame = 0;
        for (int r = 0; r < root.getChildCount(); ++r) {
            if (!(root.getChildAt(r) instanceof Round)) {
                continue;
            }
            Round round = (Round) root.getChildAt(r);
            for (int s = 0; s < round.getChildCount(); ++s) {
                if (!(round.getChildAt(s) instanceof Step)) {
                    continue;
                }
                Step step = (Step) round.getChildAt(s);
                history.gotoNode((HistoryNode) step.getLastLeaf());
                writeFrame(data, round, step, frame++, out);
                if (frame == 1) {
                    holdForTest(out);
                }
            }
        }
    }

    /**
     * For the tests that stop a converter half-way: when the environment variable
     * QUELM_CONVERTER_TEST_HOLD names a file, the converter writes out its first frame, makes
     * that file and waits there until it is stopped.
     */
    private static void holdForTest(Writer out) throws IOException {
        String marker = System.getenv("QUELM_CONVERTER_TEST_HOLD");
        if (marker == null || marker.isEmpty()) {
            return;
        }
        out.flush();
        Files.createFile(new File(marker).toPath());
        while (true) {
            try {
                Thread.sleep(Long.MAX_VALUE);
            } catch (InterruptedException e) {
                // Only the stop ends the wait.
            }
        }
    }

    private static void writeFrame(GameData data, Round round, Step step, int frame, Writer out)
        throws IOException {
        PlayerID player = step.getPlayerId();
        line(out, "Caption:Round " + round.getRoundNo() + " - " + withoutColons(step.getTitle()));
        line(out, "Round:" + round.getRoundNo());
        line(out,
            "Player:" + (player == null || player.isNull() ? "" : withoutColons(player.getName())));
        line(out, "Step:" + withoutColons(step.getStepName()));
        line(out, "Delegate:" + withoutColons(step.getDelegateName()));
        line(out, "Frame:" + frame);
        data.acquireReadLock();
        try {
            for (Territory territory : data.getMap().getTerritories()) {
                line(out, territory.getName());
                line(out, "Owner:" + withoutColons(ownerName(territory.getOwner())));
                for (Unit unit : territory.getUnits().getUnits()) {
                    line(out, unit.getType().getName());
                    line(out, ownerName(unit.getOwner()));
                }
                line(out, "End Territory");
            }
        } finally {
            data.releaseReadLock();
        }
        line(out, "End Frame");
    }

    private static String ownerName(PlayerID owner) {
        return owner == null || owner.isNull() ? NOBODY : owner.getName();
    }

    // Values after a label end at the next colon for the reader, so they carry none.
    static String withoutColons(String text) {
        return text == null ? "" : text.replace(":", "");
    }

    // Every value takes exactly one line.
    private static void line(Writer out, String text) throws IOException {
        out.write(oneLine(text));
        out.write('\n');
    }

    static String oneLine(String text) {
        return text == null ? "" : text.replace("\r", " ").replace("\n", " ");
    }

    private static String describe(Throwable e) {
        if (e instanceof NoSuchFileException) {
            return "no such file or folder";
        }
        if (e instanceof AccessDeniedException) {
            return "permission denied";
        }
        String message = e.getMessage();
        return message == null || message.isEmpty() ? e.getClass().getSimpleName() : message;
    }

    private static void deleteQuietly(Path path) {
        try {
            Files.deleteIfExists(path);
        } catch (IOException e) {
            // Nothing more to do for a scratch file.
        }
    }
}
