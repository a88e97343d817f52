package java.util;

/**
 * A map of non-null keys to non-null values in chained buckets.
 *
 *   table[(hash & 0x7FFFFFFF) % table.length] -> Entry -> Entry -> null
 *
 * A new entry goes first in its chain. When count has reached threshold
 * (three quarters of the capacity, rounded down) before an insertion, the
 * table grows to 2n+1 buckets, moving the chains from the highest bucket
 * down. Enumerations walk the buckets from the highest down.
 */
public class Hashtable {
    private static final class Entry {
        final int hash;
        final Object key;
        Object value;
        Entry next;

        Entry(int hash, Object key, Object value, Entry next) {
            this.hash = hash;
            this.key = key;
            this.value = value;
            this.next = next;
        }
    }

    private Entry[] table;
    private int count;
    private int threshold;

    public Hashtable(int initialCapacity) {
        if (initialCapacity < 0) {
            throw new IllegalArgumentException("Illegal Capacity: " + initialCapacity);
        }
        if (initialCapacity == 0) {
            initialCapacity = 1;
        }
        table = new Entry[initialCapacity];
        threshold = thresholdOf(initialCapacity);
    }

    public Hashtable() {
        this(11);
    }

    /** Three quarters of capacity, rounded down, without overflow. */
    private static int thresholdOf(int capacity) {
        return capacity - (capacity / 4 + (capacity % 4 == 0 ? 0 : 1));
    }

    private static int indexOf(int hash, int length) {
        return (hash & 0x7FFFFFFF) % length;
    }

    public synchronized int size() {
        return count;
    }

    public synchronized boolean isEmpty() {
        return count == 0;
    }

    public synchronized Enumeration keys() {
        return new Enumerator(true);
    }

    public synchronized Enumeration elements() {
        return new Enumerator(false);
    }

    public synchronized boolean contains(Object value) {
        if (value == null) {
            throw new NullPointerException();
        }
        for (int i = table.length; i-- > 0;) {
            for (Entry e = table[i]; e != null; e = e.next) {
                if (e.value.equals(value)) {
                    return true;
                }
            }
        }
        return false;
    }

    private Entry find(Object key) {
        int hash = key.hashCode();
        for (Entry e = table[indexOf(hash, table.length)]; e != null; e = e.next) {
            if (e.hash == hash && e.key.equals(key)) {
                return e;
            }
        }
        return null;
    }

    public synchronized boolean containsKey(Object key) {
        return find(key) != null;
    }

    public synchronized Object get(Object key) {
        Entry e = find(key);
        return e == null ? null : e.value;
    }

    protected void rehash() {
        Entry[] oldMap = table;
        int newCapacity = oldMap.length * 2 + 1;
        Entry[] newMap = new Entry[newCapacity];
        for (int i = oldMap.length; i-- > 0;) {
            for (Entry old = oldMap[i]; old != null;) {
                Entry e = old;
                old = old.next;
                int index = indexOf(e.hash, newCapacity);
                e.next = newMap[index];
                newMap[index] = e;
            }
        }
        table = newMap;
        threshold = thresholdOf(newCapacity);
    }

    public synchronized Object put(Object key, Object value) {
        if (value == null) {
            throw new NullPointerException();
        }
        Entry e = find(key);
        if (e != null) {
            Object old = e.value;
            e.value = value;
            return old;
        }
        if (count >= threshold) {
            rehash();
        }
        int hash = key.hashCode();
        int index = indexOf(hash, table.length);
        table[index] = new Entry(hash, key, value, table[index]);
        count++;
        return null;
    }

    public synchronized Object remove(Object key) {
        int hash = key.hashCode();
        int index = indexOf(hash, table.length);
        for (Entry e = table[index], prev = null; e != null; prev = e, e = e.next) {
            if (e.hash == hash && e.key.equals(key)) {
                if (prev == null) {
                    table[index] = e.next;
                } else {
                    prev.next = e.next;
                }
                count--;
                Object old = e.value;
                e.value = null;
                return old;
            }
        }
        return null;
    }

    public synchronized void clear() {
        for (int i = table.length; --i >= 0;) {
            table[i] = null;
        }
        count = 0;
    }

    /**
     * "{k=v, k=v}" in enumeration order, the table itself as "(this Map)".
     */
    public synchronized String toString() {
        StringBuffer text = new StringBuffer();
        text.append('{');
        for (int i = table.length; --i >= 0;) {
            for (Entry e = table[i]; e != null; e = e.next) {
                if (text.length() > 1) {
                    text.append(", ");
                }
                text.append(e.key == this ? "(this Map)" : e.key);
                text.append('=');
                text.append(e.value == this ? "(this Map)" : e.value);
            }
        }
        return text.append('}').toString();
    }

    /** Keys or values, from the highest bucket down, each chain in order. */
    private final class Enumerator implements Enumeration {
        private final boolean keys;
        private final Entry[] buckets = table;
        private int index = table.length;
        private Entry entry;

        Enumerator(boolean keys) {
            this.keys = keys;
        }

        public boolean hasMoreElements() {
            while (entry == null && index > 0) {
                entry = buckets[--index];
            }
            return entry != null;
        }

        public Object nextElement() {
            if (!hasMoreElements()) {
                throw new NoSuchElementException("Hashtable Enumerator");
            }
            Entry e = entry;
            entry = e.next;
            return keys ? e.key : e.value;
        }
    }
}
