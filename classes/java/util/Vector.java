package java.util;

/**
 * A growable array of objects. elementData[0, elementCount) holds the
 * elements and the rest of the array is null. The array grows by
 * capacityIncrement when that is positive, else it doubles; a growth that
 * falls short of the capacity asked for takes that capacity instead.
 */
public class Vector {
    protected Object[] elementData;
    protected int elementCount;
    protected int capacityIncrement;

    public Vector(int initialCapacity, int capacityIncrement) {
        if (initialCapacity < 0) {
            throw new IllegalArgumentException("Illegal Capacity: " + initialCapacity);
        }
        this.elementData = new Object[initialCapacity];
        this.capacityIncrement = capacityIncrement;
    }

    public Vector(int initialCapacity) {
        this(initialCapacity, 0);
    }

    public Vector() {
        this(10);
    }

    public synchronized void copyInto(Object[] anArray) {
        System.arraycopy(elementData, 0, anArray, 0, elementCount);
    }

    public synchronized void trimToSize() {
        if (elementCount < elementData.length) {
            Object[] data = new Object[elementCount];
            System.arraycopy(elementData, 0, data, 0, elementCount);
            elementData = data;
        }
    }

    public synchronized void ensureCapacity(int minCapacity) {
        if (minCapacity > elementData.length) {
            grow(minCapacity);
        }
    }

    private void grow(int minCapacity) {
        int oldCapacity = elementData.length;
        int newCapacity = oldCapacity + (capacityIncrement > 0 ? capacityIncrement : oldCapacity);
        if (newCapacity < minCapacity) {
            newCapacity = minCapacity;
        }
        Object[] data = new Object[newCapacity];
        System.arraycopy(elementData, 0, data, 0, elementCount);
        elementData = data;
    }

    public synchronized void setSize(int newSize) {
        if (newSize > elementData.length) {
            grow(newSize);
        }
        for (int i = newSize; i < elementCount; i++) {
            elementData[i] = null;
        }
        elementCount = newSize;
    }

    public synchronized int capacity() {
        return elementData.length;
    }

    public synchronized int size() {
        return elementCount;
    }

    public synchronized boolean isEmpty() {
        return elementCount == 0;
    }

    public synchronized Enumeration elements() {
        return new Enumeration() {
            private int next;

            public boolean hasMoreElements() {
                return next < elementCount;
            }

            public Object nextElement() {
                synchronized (Vector.this) {
                    if (next < elementCount) {
                        return elementData[next++];
                    }
                }
                throw new NoSuchElementException("Vector Enumeration");
            }
        };
    }

    public boolean contains(Object elem) {
        return indexOf(elem, 0) >= 0;
    }

    public int indexOf(Object elem) {
        return indexOf(elem, 0);
    }

    public synchronized int indexOf(Object elem, int index) {
        for (int i = index; i < elementCount; i++) {
            if (elem == null ? elementData[i] == null : elem.equals(elementData[i])) {
                return i;
            }
        }
        return -1;
    }

    public synchronized int lastIndexOf(Object elem) {
        return lastIndexOf(elem, elementCount - 1);
    }

    public synchronized int lastIndexOf(Object elem, int index) {
        if (index >= elementCount) {
            throw new IndexOutOfBoundsException(index + " >= " + elementCount);
        }
        for (int i = index; i >= 0; i--) {
            if (elem == null ? elementData[i] == null : elem.equals(elementData[i])) {
                return i;
            }
        }
        return -1;
    }

    public synchronized Object elementAt(int index) {
        if (index >= elementCount) {
            throw new ArrayIndexOutOfBoundsException(index + " >= " + elementCount);
        }
        return elementData[index];
    }

    public synchronized Object firstElement() {
        if (elementCount == 0) {
            throw new NoSuchElementException();
        }
        return elementData[0];
    }

    public synchronized Object lastElement() {
        if (elementCount == 0) {
            throw new NoSuchElementException();
        }
        return elementData[elementCount - 1];
    }

    public synchronized void setElementAt(Object obj, int index) {
        if (index >= elementCount) {
            throw new ArrayIndexOutOfBoundsException(index + " >= " + elementCount);
        }
        elementData[index] = obj;
    }

    public synchronized void removeElementAt(int index) {
        if (index >= elementCount) {
            throw new ArrayIndexOutOfBoundsException(index + " >= " + elementCount);
        }
        if (index < 0) {
            throw new ArrayIndexOutOfBoundsException(index);
        }
        int tail = elementCount - index - 1;
        if (tail > 0) {
            System.arraycopy(elementData, index + 1, elementData, index, tail);
        }
        elementCount--;
        elementData[elementCount] = null;
    }

    public synchronized void insertElementAt(Object obj, int index) {
        if (index > elementCount) {
            throw new ArrayIndexOutOfBoundsException(index + " > " + elementCount);
        }
        if (index < 0) {
            throw new ArrayIndexOutOfBoundsException(index);
        }
        if (elementCount == elementData.length) {
            grow(elementCount + 1);
        }
        for (int i = elementCount; i > index; i--) {
            elementData[i] = elementData[i - 1];
        }
        elementData[index] = obj;
        elementCount++;
    }

    public synchronized void addElement(Object obj) {
        if (elementCount == elementData.length) {
            grow(elementCount + 1);
        }
        elementData[elementCount++] = obj;
    }

    public synchronized boolean removeElement(Object obj) {
        int i = indexOf(obj, 0);
        if (i < 0) {
            return false;
        }
        removeElementAt(i);
        return true;
    }

    public synchronized void removeAllElements() {
        for (int i = 0; i < elementCount; i++) {
            elementData[i] = null;
        }
        elementCount = 0;
    }

    /** "[a, b, c]": each element's text, the vector itself as "(this Collection)". */
    public synchronized String toString() {
        StringBuffer text = new StringBuffer();
        text.append('[');
        for (int i = 0; i < elementCount; i++) {
            if (i > 0) {
                text.append(", ");
            }
            Object o = elementData[i];
            text.append(o == this ? "(this Collection)" : o);
        }
        return text.append(']').toString();
    }
}
